// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace velmora {

// How often each of a Huffman table's 256 symbols occurs in a picture's
// entropy-coded data.
using SymbolCounts = std::array<std::int64_t, 256>;

// The symbol counts of a JPEG's two table pairs: the luminance's DC and AC
// tables and the chrominance's, in that order.
struct JpegSymbolCounts {
    std::array<SymbolCounts, 2> dc{};
    std::array<SymbolCounts, 2> ac{};

    JpegSymbolCounts& operator+=(const JpegSymbolCounts& other);
};

// A Huffman table as a DHT segment holds it: how many codes have each length
// from 1 to 16 bits (bits[0] unused), and the symbols by code length.
struct HuffmanTable {
    std::array<std::uint8_t, 17> bits{};
    std::vector<std::uint8_t> values;
};

// The code of the fewest bits for these counts, no code longer than 16 bits
// and none all ones, as the JPEG standard builds it: the two rarest
// branches are joined until one tree is left, then codes over 16 bits are
// moved up. Symbols that never occur get no code; at least one symbol must
// occur.
HuffmanTable OptimalHuffmanTable(const SymbolCounts& counts);

} // namespace velmora
