// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/picture/ZeroedArray.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace velmora {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

// Blocks of a megabyte or more are laid out on whole huge pages: the system
// gives huge pages only to aligned 2 MB stretches, so an unaligned block of
// 3 MB would get one at most and fault in the rest as hundreds of small
// pages. Zeroing the unused end of the last huge page costs less than those
// faults.
bool InHugePages(std::size_t bytes)
{
    return bytes >= (std::size_t{1} << 20);
}

std::size_t MappedBytes(std::size_t bytes)
{
    return InHugePages(bytes) ? (bytes + kHugePage - 1) / kHugePage * kHugePage : bytes;
}

} // namespace

void* TakeZeroedPages(std::size_t bytes)
{
    const std::size_t mapped = MappedBytes(bytes);
    if (mapped < bytes)
        return nullptr; // the rounding wrapped
    if (!InHugePages(bytes)) {
        void* memory = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        return memory == MAP_FAILED ? nullptr : memory;
    }
    // Map a huge page more than needed and give back the unaligned ends.
    if (mapped > static_cast<std::size_t>(-1) - kHugePage)
        return nullptr;
    void* reserved = mmap(nullptr, mapped + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (reserved == MAP_FAILED)
        return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(reserved);
    const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
    if (aligned > start)
        munmap(reserved, aligned - start);
    munmap(reinterpret_cast<void*>(aligned + mapped), start + kHugePage - aligned);
    void* memory = reinterpret_cast<void*>(aligned);
    madvise(memory, mapped, MADV_HUGEPAGE); // a wish; without it the pages are small
    return memory;
}

void GiveBackPages(void* memory, std::size_t bytes) noexcept
{
    munmap(memory, MappedBytes(bytes));
}

bool CanShrinkPages(std::size_t bytes, std::size_t kept)
{
    return kept > 0 && kept <= bytes && InHugePages(kept) == InHugePages(bytes);
}

void ShrinkPages(void* memory, std::size_t bytes, std::size_t kept) noexcept
{
    // munmap takes whole pages: a block ends where its last page does.
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const auto end = [page](std::size_t size) { return (MappedBytes(size) + page - 1) / page * page; };
    if (end(bytes) > end(kept))
        munmap(static_cast<char*>(memory) + end(kept), end(bytes) - end(kept));
}

} // namespace velmora
