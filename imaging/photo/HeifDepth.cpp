// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/photo/HeifDepth.h"

#include "imaging/photo/DisparityMap.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>

namespace velmora {
namespace {

// What the lowest and the highest level stand for, when both are stated and
// make a range.
struct Ends {
    double low = 0;
    double high = 0;
};

std::optional<Ends> EndsOf(std::optional<double> low, std::optional<double> high)
{
    if (!low || !high || !std::isfinite(*low) || !std::isfinite(*high) || !(*low < *high))
        return std::nullopt;
    return Ends {*low, *high};
}

// 1 / distance from 1 / far to 1 / near; a far end at infinity is 0.
std::optional<Ends> InverseDistanceEnds(const HeifDepthImage& image)
{
    const auto near = image.nearDistance, far = image.farDistance;
    if (!near || !far || !(*near > 0) || !(*far > *near))
        return std::nullopt;
    return EndsOf(1 / *far, 1 / *near);
}

// A map whose value at each level is `valueOf(level)`.
template <typename ValueOf> DisparityMap MapOf(const HeifDepthImage& image, ValueOf valueOf)
{
    DisparityMap map {image.width, image.height, {}};
    map.values.reserve(image.levels.size());
    for (const float level : image.levels)
        map.values.push_back(static_cast<float>(valueOf(level)));
    return map;
}

// Levels uniform in a quantity that grows nearer: between the stated ends,
// or over the map's own levels.
Bitmap UniformNearerHigher(const HeifDepthImage& image, const std::optional<Ends>& ends)
{
    if (!ends)
        return GreyDepthMapOverItsRange(MapOf(image, [](float level) { return level; }));
    const DisparityMap map =
        MapOf(image, [&ends](float level) { return ends->low + level * (ends->high - ends->low); });
    return GreyDepthMap(map, static_cast<float>(ends->low), static_cast<float>(ends->high));
}

// Levels uniform in the distance, which shrinks nearer: the disparity is
// 1 / distance between the stated ends (InverseDistanceEnds); without them, the levels' order
// turned over, since the distance alone cannot be turned into disparity.
Bitmap UniformDistance(const HeifDepthImage& image, const std::optional<Ends>& ends)
{
    if (!ends)
        return GreyDepthMapOverItsRange(MapOf(image, [](float level) { return -level; }));
    const double near = *image.nearDistance, far = *image.farDistance;
    const DisparityMap map = MapOf(image, [near, far](float level) { return 1 / (near + level * (far - near)); });
    return GreyDepthMap(map, static_cast<float>(ends->low), static_cast<float>(ends->high));
}

const char* KindName(HeifDepthKind kind)
{
    switch (kind) {
    case HeifDepthKind::kInverseDistance:
        return "1 / distance";
    case HeifDepthKind::kDistance:
        return "distance";
    case HeifDepthKind::kNonuniformDisparity:
        return "non-uniform disparity";
    case HeifDepthKind::kDisparity:
        return "disparity";
    case HeifDepthKind::kUnstated:
        break;
    }
    return "disparity, as the file states nothing";
}

} // namespace

StoredDepthRead StoredDepthOfHeif(const HeifDepthImage& image)
{
    StoredDepthRead read;
    if (!image.status) {
        read.problem = image.found ? "its depth image cannot be read: " + image.status.reason : image.status.reason;
        return read;
    }
    if (!image.found)
        return read;
    if (image.kind == HeifDepthKind::kNonuniformDisparity) {
        read.problem = "its depth image is stored as non-uniform disparity, which is not supported";
        return read;
    }
    std::optional<Ends> ends;
    switch (image.kind) {
    case HeifDepthKind::kDistance:
        ends = InverseDistanceEnds(image);
        read.depth = UniformDistance(image, ends);
        break;
    case HeifDepthKind::kInverseDistance:
        ends = InverseDistanceEnds(image);
        read.depth = UniformNearerHigher(image, ends);
        break;
    default:
        ends = EndsOf(image.lowestDisparity, image.highestDisparity);
        read.depth = UniformNearerHigher(image, ends);
        break;
    }
    read.source = std::string("the HEIF file's depth image (") + KindName(image.kind) +
        (ends ? ", over its stated range)" : ", over its own levels)");
    read.found = bool(read.depth);
    if (!read.found)
        read.problem = std::strerror(ENOMEM);
    return read;
}

StoredDepthRead ReadHeifStoredDepth(const std::string& path, const RunOptions& options)
{
    return StoredDepthOfHeif(ReadHeifDepthImage(path, options));
}

} // namespace velmora
