// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>

namespace velmora {

// The size of the Windows info header, the first field of the header.
inline constexpr std::uint32_t kBmpInfoHeaderBytes = 40;

// The sizes of its later versions, V2 to V5.
constexpr bool IsLaterBmpHeader(std::uint32_t size)
{
    return size == 52 || size == 56 || size == 108 || size == 124;
}

} // namespace velmora
