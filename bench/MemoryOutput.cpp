// SPDX-License-Identifier: GPL-3.0-or-later

#include "bench/MemoryOutput.h"

namespace velmora::bench {

FreeImageIO AppendingIO()
{
    FreeImageIO io{};
    io.write_proc = [](void* bytes, unsigned size, unsigned count, fi_handle handle) -> unsigned {
        auto& written = *static_cast<std::vector<std::uint8_t>*>(handle);
        const auto* first = static_cast<const std::uint8_t*>(bytes);
        written.insert(written.end(), first, first + std::size_t{size} * count);
        return count;
    };
    return io;
}

} // namespace velmora::bench
