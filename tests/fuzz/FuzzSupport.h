// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/files/UniqueDescriptor.h"

#include <cstddef>
#include <cstdint>
#include <string>

// What the fuzz targets share: the input as a file, and a way to stop at a
// broken promise so that the fuzzer keeps the input that broke it.
namespace velmora::fuzz {

// A file that lives in memory only (memfd), holding one input at a time. Its
// path under /proc opens it like any file on disk, so readers that take a
// path and readers that take a descriptor see the same bytes, and nothing is
// left behind when a run is killed.
class MemoryFile {
public:
    MemoryFile(); // stops the program when the system gives none
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // Replaces the whole content with these bytes.
    void Hold(const std::uint8_t* data, std::size_t size);

    int Descriptor() const { return descriptor_.Get(); }
    const std::string& Path() const { return path_; }

private:
    UniqueDescriptor descriptor_;
    std::string path_;
};

// Stops the program, naming what failed, unless `holds`.
void Require(bool holds, const char* what);

} // namespace velmora::fuzz
