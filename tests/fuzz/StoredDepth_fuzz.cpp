// SPDX-License-Identifier: GPL-3.0-or-later

// The depth maps a photograph stores: its XMP read by our own forgiving
// scanner, extended XMP chunks placed where they claim, base64, a Dynamic
// Depth container's items placed by their lengths, and the depth image
// decoded from memory. Whatever the bytes, a read ends with a depth map or
// a problem in words, never both, and never beyond the file or the limit.

#include "imaging/photo/StoredDepth.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    velmora::FileBytes bytes(data, size);
    velmora::RunOptions options;
    options.threads = 1;
    options.pictureLimit = 16 * 1024 * 1024;
    const velmora::StoredDepthRead read = velmora::ReadJpegStoredDepth(bytes, options);
    velmora::fuzz::Require(read.found == static_cast<bool>(read.depth), "a depth map found without its bitmap");
    velmora::fuzz::Require(!read.found || read.problem.empty(), "a depth map found with a problem");
    return 0;
}
