// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/NamePattern.h"

#include <cctype>

namespace velmora::cli {

std::optional<NamePattern> NamePattern::Parse(const std::string& pattern)
{
    constexpr int kWidestField = 9;
    NamePattern parsed;
    bool fieldSeen = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        std::string& text = fieldSeen ? parsed.after_ : parsed.before_;
        if (pattern[i] != '%') {
            text += pattern[i];
            continue;
        }
        ++i;
        if (i < pattern.size() && pattern[i] == '%') {
            text += '%';
            continue;
        }
        if (fieldSeen)
            return std::nullopt;
        if (i < pattern.size() && pattern[i] == '0') {
            parsed.zeros_ = true;
            ++i;
        }
        for (; i < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[i])); ++i) {
            parsed.width_ = parsed.width_ * 10 + (pattern[i] - '0');
            if (parsed.width_ > kWidestField)
                return std::nullopt;
        }
        if (i >= pattern.size() || pattern[i] != 'd')
            return std::nullopt;
        fieldSeen = true;
    }
    if (!fieldSeen)
        return std::nullopt;
    return parsed;
}

std::string NamePattern::NameFor(int number) const
{
    std::string digits = std::to_string(number);
    if (static_cast<int>(digits.size()) < width_)
        digits.insert(0, width_ - digits.size(), zeros_ ? '0' : ' ');
    return before_ + digits + after_;
}

} // namespace velmora::cli
