// SPDX-License-Identifier: GPL-3.0-or-later

// What the program reads of a HEIF file itself, before libheif reads
// anything: the file type box's brands and the walk over the top-level
// boxes' sizes. The input is read both from memory and as a file, through
// the window that reads far boxes where they lie; the two must agree.

#include "imaging/formats/FileBytes.h"
#include "imaging/formats/HeifSignature.h"

#include "tests/fuzz/FuzzSupport.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static velmora::fuzz::MemoryFile file;
    file.Hold(data, size);
    velmora::FileBytes memory(data, size), stored(file.Descriptor(), size);
    velmora::fuzz::Require(velmora::HasHeifSignature(memory) == velmora::HasHeifSignature(stored),
                           "the signature read from memory and from the file differ");
    velmora::fuzz::Require(velmora::HeifBoxesCutShort(memory) == velmora::HeifBoxesCutShort(stored),
                           "the boxes read from memory and from the file differ");
    return 0;
}
