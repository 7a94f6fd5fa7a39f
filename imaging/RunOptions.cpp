// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/RunOptions.h"

#include <unistd.h>

#include <algorithm>
#include <thread>

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

} // namespace

int HardwareThreads()
{
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

std::uint64_t DefaultPictureLimit()
{
    return std::max<std::uint64_t>(PhysicalMemory() / 8, 64 * kMegabyte);
}

} // namespace velmora
