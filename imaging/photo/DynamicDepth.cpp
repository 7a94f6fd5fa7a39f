// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/photo/DynamicDepth.h"

#include "imaging/photo/DepthEncoding.h"
#include "imaging/photo/JpegXmp.h"
#include "imaging/photo/StoredDepthResults.h"

#include <optional>
#include <string_view>
#include <vector>

namespace velmora {
namespace {

constexpr std::string_view kDevice = "http://ns.google.com/photos/dd/1.0/device/";
constexpr std::string_view kContainer = "http://ns.google.com/photos/dd/1.0/container/";
constexpr std::string_view kItem = "http://ns.google.com/photos/dd/1.0/item/";
constexpr std::string_view kCamera = "http://ns.google.com/photos/dd/1.0/camera/";
constexpr std::string_view kDepthMap = "http://ns.google.com/photos/dd/1.0/depthmap/";

constexpr XmpName kDeviceContainer {kDevice, "Device", "Container"};
constexpr XmpName kDirectory {kContainer, "Container", "Directory"};
constexpr XmpName kContainerItem {kContainer, "Container", "Item"};
constexpr XmpName kItemLength {kItem, "Item", "Length"};
constexpr XmpName kItemPadding {kItem, "Item", "Padding"};
constexpr XmpName kItemDataUri {kItem, "Item", "DataURI"};
constexpr XmpName kDeviceCameras {kDevice, "Device", "Cameras"};
constexpr XmpName kCameraDepthMap {kCamera, "Camera", "DepthMap"};
constexpr XmpName kFormat {kDepthMap, "DepthMap", "Format"};
constexpr XmpName kNear {kDepthMap, "DepthMap", "Near"};
constexpr XmpName kFar {kDepthMap, "DepthMap", "Far"};
constexpr XmpName kDepthUri {kDepthMap, "DepthMap", "DepthURI"};
constexpr XmpName kItemSemantic {kDepthMap, "DepthMap", "ItemSemantic"};

constexpr std::string_view kSource = "Dynamic Depth";

// The first part of the packet that is this element, else none.
std::optional<std::string_view> FirstElement(const XmpPacket& xmp, const XmpName& name, std::string_view within)
{
    const auto elements = xmp.Elements(name, within);
    return elements.empty() ? std::nullopt : std::optional(elements.front());
}

// The first depth map of the cameras that is one of distances, not of
// segmentation.
std::optional<std::string_view> DepthMapElement(const XmpPacket& xmp, std::string_view cameras)
{
    for (const std::string_view depthMap : xmp.Elements(kCameraDepthMap, cameras)) {
        const auto semantic = xmp.Property(kItemSemantic, depthMap);
        if (!semantic || *semantic == "Depth")
            return depthMap;
    }
    return std::nullopt;
}

struct ItemPlace {
    std::uint64_t at = 0;
    std::uint64_t length = 0;
};

// Where the item named `uri` lies, or why it cannot be found.
std::variant<ItemPlace, std::string> PlaceItem(FileBytes& bytes, const XmpPacket& xmp, std::string_view directory,
                                               const std::string& uri)
{
    struct Appended {
        std::uint64_t length = 0;
        std::uint64_t padding = 0;
        std::optional<std::string> uri;
    };
    const std::vector<std::string_view> items = xmp.Elements(kContainerItem, directory);
    std::vector<Appended> appended;
    std::uint64_t tail = 0;                          // the appended items' bytes, at the end of the file
    for (std::size_t i = 1; i < items.size(); ++i) { // the first is the primary image
        const auto length = CountValue(xmp.Property(kItemLength, items[i]));
        const auto padding = xmp.Property(kItemPadding, items[i]);
        const auto paddingValue = padding ? CountValue(padding) : std::optional<std::uint64_t>(0);
        if (!length || !paddingValue)
            return std::string("has a container item without a readable length");
        // Each is checked before it is added, so the sum never wraps.
        if (*length > bytes.Size() || *paddingValue > bytes.Size() || *length + *paddingValue > bytes.Size() - tail)
            return std::string("is cut short: its container's items claim more bytes than the file holds");
        tail += *length + *paddingValue;
        appended.push_back({*length, *paddingValue, xmp.Property(kItemDataUri, items[i])});
    }
    std::uint64_t at = bytes.Size() - tail;
    for (const Appended& item : appended) {
        if (item.uri == uri)
            return ItemPlace {at, item.length};
        at += item.length + item.padding;
    }
    return "names an item \"" + uri + "\" that its container does not hold";
}

} // namespace

StoredDepthRead ReadDynamicDepth(FileBytes& bytes, const XmpPacket& mainXmp, const RunOptions& options)
{
    const auto container = FirstElement(mainXmp, kDeviceContainer, mainXmp.Text());
    const auto directory = container ? FirstElement(mainXmp, kDirectory, *container) : std::nullopt;
    const auto cameras = FirstElement(mainXmp, kDeviceCameras, mainXmp.Text());
    const auto depthMap = cameras ? DepthMapElement(mainXmp, *cameras) : std::nullopt;
    if (!directory || !depthMap)
        return {};
    const auto uri = mainXmp.Property(kDepthUri, *depthMap);
    if (!uri)
        return DepthProblem("names no container item for its image", kSource);
    const auto encoding = ReadDepthEncoding(mainXmp.Property(kFormat, *depthMap), mainXmp.Property(kNear, *depthMap),
                                            mainXmp.Property(kFar, *depthMap));
    if (const auto* why = std::get_if<std::string>(&encoding))
        return DepthProblem(*why, kSource);
    const auto place = PlaceItem(bytes, mainXmp, *directory, *uri);
    if (const auto* why = std::get_if<std::string>(&place))
        return DepthProblem(*why, kSource);
    const auto [at, length] = std::get<ItemPlace>(place);
    const auto image = ReadByteRange(bytes, at, length);
    if (!image)
        return DepthProblem("is cut short", kSource);
    return DepthFrom(*image, std::get<DepthEncoding>(encoding), kSource, options);
}

} // namespace velmora
