#include "imaging/ImageFile.h"

#include "imaging/StereoSettings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>

#include <tiffio.h>
#include <limits>

namespace velmora {
namespace {

// libtiff prints a line on stderr for every private tag it does not know,
// dozens for each TIFF file FreeImage writes, though the files read fine. A
// TIFF that cannot be read still gives no bitmap, which the caller reports.
void QuietenTiffLibrary()
{
    static const bool quiet = [] {
        TIFFSetWarningHandler(nullptr);
        TIFFSetErrorHandler(nullptr);
        return true;
    }();
    (void)quiet;
}

FREE_IMAGE_FORMAT FormatFromName(const std::string& path)
{
    QuietenTiffLibrary();
    const FREE_IMAGE_FORMAT format = FreeImage_GetFIFFromFilename(path.c_str());
    if (format == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(format))
        return FIF_UNKNOWN;
    // Decoders trust the data they are given; a file whose content is not of
    // the format its name claims is refused before it reaches one.
    if (!FreeImage_Validate(format, path.c_str()))
        return FIF_UNKNOWN;
    return format;
}

Bitmap ConvertTo24Bits(FIBITMAP* bitmap)
{
    switch (FreeImage_GetImageType(bitmap)) {
    case FIT_UINT16: {
        // 16-bit grey: the library's 8-bit conversion keeps the high byte.
        Bitmap grey(FreeImage_ConvertTo8Bits(bitmap));
        return grey ? Bitmap(FreeImage_ConvertTo24Bits(grey.get())) : Bitmap();
    }
    case FIT_BITMAP:
    case FIT_RGB16:
    case FIT_RGBA16:
        return Bitmap(FreeImage_ConvertTo24Bits(bitmap));
    default: {
        // Floating-point and other wide types: scale to 8 bits first.
        Bitmap standard(FreeImage_ConvertToStandardType(bitmap, TRUE));
        return standard ? Bitmap(FreeImage_ConvertTo24Bits(standard.get())) : Bitmap();
    }
    }
}

// The BMP decoder fills the rows missing from a cut-off file with whatever it
// has; a file shorter than its header's uncompressed pixel data is refused.
bool IsTruncatedBmp(const std::string& path)
{
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    const auto size = static_cast<std::uint64_t>(file.tellg());
    unsigned char header[34] = {};
    file.seekg(0);
    if (!file.read(reinterpret_cast<char*>(header), sizeof header))
        return true;
    auto field = [&](int offset) {
        return static_cast<std::uint32_t>(header[offset] | header[offset + 1] << 8 | header[offset + 2] << 16 |
                                          header[offset + 3] << 24);
    };
    const std::uint32_t infoSize = field(14);
    if (infoSize < 40)
        return false; // old OS/2 header: left to the decoder
    const std::uint64_t width = field(18);
    const std::uint64_t height = static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(
        static_cast<std::int32_t>(field(22)))));
    const std::uint32_t bitsPerPixel = header[28] | header[29] << 8;
    const std::uint32_t compression = field(30);
    if (compression != 0 && compression != 3)
        return false; // run-length data has no fixed size
    const std::uint64_t stride = (width * bitsPerPixel + 31) / 32 * 4;
    return size < field(10) + stride * height;
}

} // namespace

Bitmap ReadImageFile(const std::string& path)
{
    const FREE_IMAGE_FORMAT format = FormatFromName(path);
    if (format == FIF_UNKNOWN || (format == FIF_BMP && IsTruncatedBmp(path)))
        return {};
    Bitmap bitmap(FreeImage_Load(format, path.c_str(), 0));
    if (bitmap && (FreeImage_GetWidth(bitmap.get()) == 0 || FreeImage_GetHeight(bitmap.get()) == 0))
        return {};
    return bitmap;
}

Bitmap ReadRgbImageFile(const std::string& path)
{
    return ConvertToRgb(ReadImageFile(path));
}

Bitmap ConvertToRgb(Bitmap bitmap)
{
    if (!bitmap || (FreeImage_GetImageType(bitmap.get()) == FIT_BITMAP && BitsPerPixel(bitmap.get()) == 24))
        return bitmap;
    Bitmap converted = ConvertTo24Bits(bitmap.get());
    if (converted) {
        FreeImage_SetDotsPerMeterX(converted.get(), FreeImage_GetDotsPerMeterX(bitmap.get()));
        FreeImage_SetDotsPerMeterY(converted.get(), FreeImage_GetDotsPerMeterY(bitmap.get()));
    }
    return converted;
}

std::optional<std::int32_t> ReadHorizontalResolution(const std::string& path)
{
    const FREE_IMAGE_FORMAT format = FormatFromName(path);
    if (format == FIF_UNKNOWN)
        return std::nullopt;
    const int flags = FreeImage_FIFSupportsNoPixels(format) ? FIF_LOAD_NOPIXELS : 0;
    Bitmap bitmap(FreeImage_Load(format, path.c_str(), flags));
    if (!bitmap)
        return std::nullopt;
    return HorizontalResolution(bitmap.get());
}

Bitmap NewImage(int width, int height, int bitsPerPixel)
{
    if (width <= 0 || height <= 0)
        return {};
    return Bitmap(FreeImage_Allocate(width, height, bitsPerPixel, 0, 0, 0));
}

int Width(FIBITMAP* bitmap)
{
    return static_cast<int>(FreeImage_GetWidth(bitmap));
}

int Height(FIBITMAP* bitmap)
{
    return static_cast<int>(FreeImage_GetHeight(bitmap));
}

int BitsPerPixel(FIBITMAP* bitmap)
{
    return static_cast<int>(FreeImage_GetBPP(bitmap));
}

std::int32_t HorizontalResolution(FIBITMAP* bitmap)
{
    return static_cast<std::int32_t>(FreeImage_GetInfoHeader(bitmap)->biXPelsPerMeter);
}

void SetResolution(FIBITMAP* bitmap, double pixelsPerMetre)
{
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    const double clamped = std::isnan(pixelsPerMetre) ? 0.0 : std::clamp(pixelsPerMetre, lowest, highest);
    const auto value = static_cast<std::int32_t>(clamped);
    BITMAPINFOHEADER* header = FreeImage_GetInfoHeader(bitmap);
    header->biXPelsPerMeter = value;
    header->biYPelsPerMeter = value;
}

bool WriteImageFile(FIBITMAP* bitmap, const std::string& path, int saveFormat)
{
    QuietenTiffLibrary();
    FREE_IMAGE_FORMAT format = FIF_UNKNOWN;
    switch (saveFormat) {
    case kSaveBmp: format = FIF_BMP; break;
    case kSavePng: format = FIF_PNG; break;
    case kSaveTiff: format = FIF_TIFF; break;
    default: return false;
    }
    return FreeImage_Save(format, bitmap, path.c_str(), 0) != FALSE;
}

} // namespace velmora
