// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/PictureLimit.h"

#include "imaging/picture/RowPadding.h"

#include <algorithm>
#include <cstdio>

namespace velmora {
namespace {

constexpr std::uint64_t kMegabyte = 1024 * 1024;

std::string Megabytes(std::uint64_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.0f MB", static_cast<double>(bytes) / kMegabyte);
    return text;
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
                       size + " need " + Megabytes(bytes) + "; pictures may take up to " + Megabytes(limit));
    return {};
}

} // namespace velmora
