// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <optional>
#include <string>

namespace velmora::cli {

// A file name with one number field, as printf writes a number: "%d",
// "%3d" (padded with spaces), "%03d" (with zeros); "%%" stands for "%".
// Only this much of printf's language is taken, and the pattern is never
// handed to printf.
class NamePattern {
public:
    // None when the pattern has no field, more than one, or a "%" that
    // starts anything else.
    static std::optional<NamePattern> Parse(const std::string& pattern);

    std::string NameFor(int number) const;

private:
    std::string before_;
    std::string after_;
    int width_ = 0;
    bool zeros_ = false;
};

} // namespace velmora::cli
