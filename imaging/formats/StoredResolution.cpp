// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/StoredResolution.h"

#include "imaging/formats/JpegSegments.h"
#include "imaging/formats/PngChunks.h"
#include "imaging/formats/TiffDirectory.h"

#include <algorithm>
#include <cstdint>

namespace velmora {
namespace {

bool JpegHasResolution(FileBytes& bytes)
{
    constexpr std::uint32_t kApp0 = 0xE0, kApp1 = 0xE1;
    if (const auto jfif = FindJpegSegment(bytes, kApp0, std::string_view("JFIF\0", 5))) {
        const auto units = bytes.Byte(jfif->first + 2); // after the version
        if (units && *units != 0)
            return true;
    }
    return FindJpegSegment(bytes, kApp1, std::string_view("Exif\0\0", 6)).has_value();
}

bool TiffHasResolution(FileBytes& bytes)
{
    constexpr std::uint32_t kXResolution = 282;
    const auto directory = FirstTiffDirectory(bytes);
    return directory
        && std::any_of(directory->entries.begin(), directory->entries.end(),
                       [](const TiffDirectory::Entry& entry) { return entry.tag == kXResolution; });
}

} // namespace

bool HasStoredResolution(FREE_IMAGE_FORMAT format, FileBytes& bytes)
{
    switch (format) {
    case FIF_PNG: return FindPngChunk(bytes, "pHYs", true).has_value();
    case FIF_JPEG: return JpegHasResolution(bytes);
    case FIF_TIFF: return TiffHasResolution(bytes);
    default: return true;
    }
}

} // namespace velmora
