// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>

namespace velmora {

// The unsigned little-endian number of `size` bytes (1 to 4) at `offset`.
inline std::uint32_t LittleEndianField(const unsigned char* bytes, int offset, int size)
{
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i)
        value |= std::uint32_t{bytes[offset + i]} << 8 * i;
    return value;
}

// Stores value as such a field.
inline void SetLittleEndianField(unsigned char* bytes, int offset, int size, std::uint32_t value)
{
    for (int i = 0; i < size; ++i)
        bytes[offset + i] = static_cast<unsigned char>(value >> 8 * i & 0xFF);
}

} // namespace velmora
