// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/PictureLimit.h"

#include "imaging/picture/RowPadding.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace velmora {
namespace {

constexpr std::uint64_t kMegabyte = 1024 * 1024;

std::uint64_t PhysicalMemory()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return std::uint64_t{4096} * kMegabyte; // unknown: assume a small machine
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

std::atomic<std::uint64_t>& Limit()
{
    static std::atomic<std::uint64_t> limit{DefaultPictureSizeLimit()};
    return limit;
}

std::string Megabytes(std::uint64_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.0f MB", static_cast<double>(bytes) / kMegabyte);
    return text;
}

} // namespace

std::uint64_t DefaultPictureSizeLimit()
{
    return std::max<std::uint64_t>(PhysicalMemory() / 8, 64 * kMegabyte);
}

std::uint64_t PictureSizeLimit()
{
    return Limit().load();
}

void SetPictureSizeLimit(std::uint64_t bytes)
{
    Limit().store(bytes);
}

FileStatus CheckPictureSize(std::uint64_t width, std::uint64_t height, std::uint64_t rowBytes)
{
    const std::uint64_t widest = std::max(rowBytes, PaddedRowBytes(width, 24));
    const std::string size = std::to_string(width) + " x " + std::to_string(height) + " pixels";
    if (widest > kMaxRowBytes)
        return Failure(FileProblem::kTooLarge, size + ": a row would take more than 2 GB");
    const std::uint64_t limit = PictureSizeLimit();
    // Both factors are below 2^32, so the product cannot overflow.
    const std::uint64_t bytes = widest * height;
    if (bytes > limit)
        return Failure(FileProblem::kTooLarge,
                       size + " need " + Megabytes(bytes) + "; pictures may take up to " + Megabytes(limit));
    return {};
}

} // namespace velmora
