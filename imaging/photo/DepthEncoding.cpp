// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/photo/DepthEncoding.h"

#include "imaging/photo/DisparityMap.h"
#include "imaging/photo/XmpProperties.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace velmora {
namespace {

bool SameLetters(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

std::string Number(double value)
{
    std::string text = std::to_string(value);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.')
        text.pop_back();
    return text;
}

} // namespace

std::variant<DepthEncoding, std::string> ReadDepthEncoding(const std::optional<std::string>& format,
                                                           const std::optional<std::string>& near,
                                                           const std::optional<std::string>& far)
{
    DepthEncoding encoding;
    if (format && SameLetters(*format, "RangeLinear"))
        encoding.inverse = false;
    else if (format && !SameLetters(*format, "RangeInverse"))
        return "has an unknown format \"" + *format + "\"";
    const auto nearValue = RealValue(near), farValue = RealValue(far);
    if (!nearValue || !farValue)
        return std::string("gives no readable near and far distances");
    encoding.near = *nearValue;
    encoding.far = *farValue;
    if (!(encoding.near > 0 && encoding.near < encoding.far))
        return "has an impossible range: near " + Number(encoding.near) + ", far " + Number(encoding.far);
    return encoding;
}

Bitmap GreyDepthOf(const DepthLevels& levels, const DepthEncoding& encoding)
{
    const double near = encoding.near, far = encoding.far;
    DisparityMap map {levels.width, levels.height, {}};
    map.values.reserve(levels.values.size());
    for (const float level : levels.values) {
        // d solved from d_n: linear, near + d_n (far - near); inverse,
        // far near / (far - d_n (far - near)).
        const double distance =
            encoding.inverse ? far * near / (far - level * (far - near)) : near + level * (far - near);
        map.values.push_back(static_cast<float>(1 / distance));
    }
    return GreyDepthMap(map, static_cast<float>(1 / far), static_cast<float>(1 / near));
}

} // namespace velmora
