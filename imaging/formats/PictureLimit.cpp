// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/PictureLimit.h"

#include "imaging/picture/RowPadding.h"

#include <algorithm>
#include <string>

namespace velmora {
namespace {

constexpr std::uint64_t kMegabyte = 1024 * 1024;

// Megabytes to one decimal, rounded up or down: the size a picture needs is
// rounded up and the limit down, so that the one never reads as no larger
// than the other.
std::string Megabytes(std::uint64_t bytes, bool roundUp)
{
    const std::uint64_t rest = bytes % kMegabyte * 10; // below 2^28: no overflow
    const std::uint64_t tenths = bytes / kMegabyte * 10 + rest / kMegabyte + (roundUp && rest % kMegabyte != 0);
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MB";
}

} // namespace

FileStatus CheckPictureSize(std::uint64_t width, std::uint64_t height, std::uint64_t rowBytes, std::uint64_t limit)
{
    const std::uint64_t widest = std::max(rowBytes, PaddedRowBytes(width, 24));
    const std::string size = std::to_string(width) + " x " + std::to_string(height) + " pixels";
    if (widest > kMaxRowBytes)
        return Failure(FileProblem::kTooLarge, size + ": a row would take more than 2 GB");
    // Both factors are below 2^32, so the product cannot overflow.
    const std::uint64_t bytes = widest * height;
    if (bytes > limit)
        return Failure(FileProblem::kTooLarge,
                       size + " need " + Megabytes(bytes, true) + "; pictures may take up to " +
                           Megabytes(limit, false));
    return {};
}

} // namespace velmora
