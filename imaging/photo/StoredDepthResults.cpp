// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/photo/StoredDepthResults.h"

#include "imaging/photo/DepthImage.h"

#include <variant>

namespace velmora {

StoredDepthRead DepthProblem(const std::string& why, std::string_view source)
{
    return {Bitmap(), false, "its stored depth map " + why, std::string(source)};
}

StoredDepthRead DepthFrom(std::string_view image, const DepthEncoding& encoding, std::string_view source,
                          const RunOptions& options)
{
    const auto levels = DecodeDepthImage(image, options);
    if (const auto* why = std::get_if<std::string>(&levels))
        return DepthProblem(*why, source);
    Bitmap depth = GreyDepthOf(std::get<DepthLevels>(levels), encoding);
    if (!depth)
        return DepthProblem("needs more memory than there is", source);
    return {std::move(depth), true, std::string(), std::string(source)};
}

} // namespace velmora
