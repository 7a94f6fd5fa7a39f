// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/StoredOrientation.h"

#include "imaging/formats/JpegSegments.h"
#include "imaging/formats/PngChunks.h"
#include "imaging/formats/TiffDirectory.h"
#include "imaging/picture/Orientation.h"

#include <string_view>

namespace velmora {
namespace {

constexpr std::uint32_t kOrientationTag = 274;

int OrientationOfTiff(FileBytes& bytes, std::uint64_t start)
{
    const auto directory = FirstTiffDirectory(bytes, start);
    if (!directory)
        return kUpright;
    for (const TiffDirectory::Entry& entry : directory->entries)
        if (entry.tag == kOrientationTag) {
            const auto value = directory->Short(bytes, entry.valueAt);
            return value && IsOrientation(static_cast<int>(*value)) ? static_cast<int>(*value) : kUpright;
        }
    return kUpright;
}

} // namespace

int StoredOrientation(FREE_IMAGE_FORMAT format, FileBytes& bytes)
{
    switch (format) {
    case FIF_JPEG: {
        constexpr std::uint32_t kApp1 = 0xE1;
        const auto exif = FindJpegSegment(bytes, kApp1, std::string_view("Exif\0\0", 6));
        return exif ? OrientationOfTiff(bytes, exif->first) : kUpright;
    }
    case FIF_TIFF: return OrientationOfTiff(bytes, 0);
    case FIF_PNG: {
        const auto exif = FindPngChunk(bytes, "eXIf", false);
        return exif ? OrientationOfTiff(bytes, *exif) : kUpright;
    }
    default: return kUpright;
    }
}

} // namespace velmora
