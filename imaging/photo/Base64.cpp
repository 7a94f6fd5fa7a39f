// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/photo/Base64.h"

#include <cstdint>

namespace velmora {
namespace {

// The six bits a character stands for; -1 for what is no base64 digit.
int DigitValue(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

} // namespace

std::optional<std::string> DecodeBase64(std::string_view text)
{
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3 + 2);
    std::uint32_t bits = 0;
    int held = 0; // digits of the current group of four
    bool padded = false;
    for (const char c : text) {
        if (IsSpace(c))
            continue;
        if (c == '=') {
            padded = true;
            continue;
        }
        const int value = DigitValue(c);
        if (value < 0 || padded)
            return std::nullopt;
        bits = bits << 6 | static_cast<std::uint32_t>(value);
        if (++held == 4) {
            bytes.push_back(static_cast<char>(bits >> 16));
            bytes.push_back(static_cast<char>(bits >> 8));
            bytes.push_back(static_cast<char>(bits));
            bits = 0;
            held = 0;
        }
    }
    // Two digits end in one byte, three in two; one alone holds no whole byte.
    if (held == 1)
        return std::nullopt;
    if (held >= 2)
        bytes.push_back(static_cast<char>(bits >> (held == 2 ? 4 : 10)));
    if (held == 3)
        bytes.push_back(static_cast<char>(bits >> 2));
    return bytes;
}

} // namespace velmora
