// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/photo/GoogleDepth.h"

#include "imaging/photo/Base64.h"
#include "imaging/photo/DepthEncoding.h"
#include "imaging/photo/DepthImage.h"
#include "imaging/photo/JpegXmp.h"
#include "imaging/photo/StoredDepthResults.h"

#include <optional>
#include <string_view>

namespace velmora {
namespace {

constexpr std::string_view kDepthMap = "http://ns.google.com/photos/1.0/depthmap/";
constexpr XmpName kFormat {kDepthMap, "GDepth", "Format"};
constexpr XmpName kNear {kDepthMap, "GDepth", "Near"};
constexpr XmpName kFar {kDepthMap, "GDepth", "Far"};
constexpr XmpName kMime {kDepthMap, "GDepth", "Mime"};
constexpr XmpName kData {kDepthMap, "GDepth", "Data"};
constexpr XmpName kHasExtendedXmp {"http://ns.adobe.com/xmp/note/", "xmpNote", "HasExtendedXMP"};

constexpr std::string_view kSource = "Google depth map";

} // namespace

StoredDepthRead ReadGoogleDepth(FileBytes& bytes, const XmpPacket& mainXmp, const RunOptions& options)
{
    const auto format = mainXmp.Property(kFormat), near = mainXmp.Property(kNear), far = mainXmp.Property(kFar);
    auto data = mainXmp.Property(kData);
    if (!format && !near && !far && !data && !mainXmp.Property(kMime))
        return {};
    if (!data) {
        const auto guid = mainXmp.Property(kHasExtendedXmp);
        if (!guid)
            return DepthProblem("has no data", kSource);
        const ExtendedXmpRead extended = ReadExtendedXmp(bytes, *guid);
        if (!extended.problem.empty())
            return DepthProblem("cannot be read: " + extended.problem, kSource);
        data = XmpPacket(extended.packet).Property(kData);
        if (!data)
            return DepthProblem("has no data", kSource);
    }
    const auto encoding = ReadDepthEncoding(format, near, far);
    if (const auto* why = std::get_if<std::string>(&encoding))
        return DepthProblem(*why, kSource);
    const auto image = DecodeBase64(*data);
    if (!image)
        return DepthProblem("is not valid base64", kSource);
    return DepthFrom(*image, std::get<DepthEncoding>(encoding), kSource, options);
}

} // namespace velmora
