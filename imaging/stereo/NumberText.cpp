// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/NumberText.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string>
#include <system_error>

namespace velmora {
namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view SkipSpace(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    return text.substr(i);
}

std::size_t CountDigits(std::string_view text, std::size_t from)
{
    std::size_t i = from;
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    return i - from;
}

// Roughly the power of ten of a decimal number's leading digit ("123.4" 2,
// "0.05" -2, "5e3" 3): which side of the representable range a number that
// is out of it lies on.
long long DecimalExponent(std::string_view number)
{
    const std::size_t point = std::min(number.find('.'), number.find_first_of("eE"));
    const std::size_t digitsEnd = std::min(number.find_first_of("eE"), number.size());
    const std::size_t first = number.find_first_not_of("0.");
    long long exponent = 0;
    if (first < digitsEnd)
        exponent = first < point ? static_cast<long long>(point - first) - 1 : static_cast<long long>(point) - first;
    if (digitsEnd < number.size()) {
        long long stated = 0;
        std::from_chars(number.data() + digitsEnd + 1 + (number[digitsEnd + 1] == '+'), number.data() + number.size(),
                        stated);
        exponent += stated;
    }
    return exponent;
}

} // namespace

int ReadInteger(std::string_view text)
{
    text = SkipSpace(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    // Accumulate towards the sign so that INT_MIN itself is reachable.
    long long value = 0;
    constexpr long long limit = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
    for (std::size_t i = 0; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > limit)
            value = limit;
    }
    if (negative)
        return static_cast<int>(-value);
    return value >= limit ? std::numeric_limits<int>::max() : static_cast<int>(value);
}

double ReadReal(std::string_view text)
{
    text = SkipSpace(text);
    std::size_t end = 0;
    if (end < text.size() && (text[end] == '+' || text[end] == '-'))
        ++end;
    const std::size_t integerDigits = CountDigits(text, end);
    end += integerDigits;
    std::size_t fractionDigits = 0;
    if (end < text.size() && text[end] == '.') {
        fractionDigits = CountDigits(text, end + 1);
        if (integerDigits + fractionDigits > 0)
            end += 1 + fractionDigits;
    }
    if (integerDigits + fractionDigits == 0)
        return 0.0;
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t exponent = end + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-'))
            ++exponent;
        const std::size_t exponentDigits = CountDigits(text, exponent);
        if (exponentDigits > 0)
            end = exponent + exponentDigits;
    }

    // The text is a validated decimal number by now; from_chars reads it
    // whatever the process locale (a desktop's decimal comma changes
    // nothing), but takes no plus sign.
    const std::string_view number = text.substr(0, end);
    const bool negative = number[0] == '-';
    const std::string_view magnitude = number.substr(number[0] == '+' || negative ? 1 : 0);
    double value = 0.0;
    const auto [rest, error] = std::from_chars(magnitude.data(), magnitude.data() + magnitude.size(), value);
    (void)rest;
    if (error == std::errc::result_out_of_range)
        value = DecimalExponent(magnitude) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}

std::string FormatInteger(int value)
{
    return std::to_string(value);
}

std::string FormatReal(double value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

} // namespace velmora
