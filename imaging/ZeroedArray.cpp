// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/ZeroedArray.h"

#include <sys/mman.h>

namespace velmora {

void* TakeZeroedPages(std::size_t bytes)
{
    void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        return nullptr;
    madvise(memory, bytes, MADV_HUGEPAGE); // a wish; without it the pages are small
    return memory;
}

void GiveBackPages(void* memory, std::size_t bytes) noexcept
{
    munmap(memory, bytes);
}

} // namespace velmora
