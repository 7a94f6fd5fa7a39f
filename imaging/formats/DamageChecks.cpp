// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/DamageChecks.h"

#include "imaging/formats/BmpLayout.h"
#include "imaging/formats/LittleEndian.h"
#include "imaging/picture/RowPadding.h"

#include <FreeImage.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace velmora {
namespace {

thread_local bool watching = false;
thread_local bool damageSeen = false;

// FreeImage asks the library about every metadata tag it knows, and the
// library reports each one it does not know as an error; those say nothing
// about the file. Any other error does.
void NoteTiffError(const char* module, const char*, va_list)
{
    if (watching && (module == nullptr || std::strcmp(module, "TIFFFieldWithTag") != 0))
        damageSeen = true;
}

// The JPEG decoder fills what a cut-off file lacks with grey and says so
// only in a warning, which FreeImage passes on here.
void NoteLibraryMessage(FREE_IMAGE_FORMAT format, const char* message)
{
    if (watching && format == FIF_JPEG && message != nullptr &&
        std::strstr(message, "Premature end of JPEG file") != nullptr)
        damageSeen = true;
}

} // namespace

void QuietenImageLibraries()
{
    static const bool quiet = [] {
        TIFFSetWarningHandler(nullptr);
        TIFFSetErrorHandler(NoteTiffError);
        FreeImage_SetOutputMessage(NoteLibraryMessage);
        return true;
    }();
    (void)quiet;
}

DamageWatch::DamageWatch()
{
    QuietenImageLibraries();
    watching = true;
    damageSeen = false;
}

DamageWatch::~DamageWatch()
{
    watching = false;
}

bool DamageWatch::DamageSeen() const
{
    return damageSeen;
}

bool IsTruncatedBmp(int descriptor, std::uint64_t fileSize)
{
    unsigned char header[34] = {};
    if (pread(descriptor, header, sizeof header, 0) < 26)
        return true;
    const std::uint32_t infoSize = LittleEndianField(header, bmp::kHeaderSize, 4);
    std::uint64_t width = 0, height = 0;
    std::uint32_t bitsPerPixel = 0, compression = 0;
    if (infoSize == 12) {
        // OS/2 1.x: 16-bit width and height, never compressed.
        width = LittleEndianField(header, 18, 2);
        height = LittleEndianField(header, 20, 2);
        bitsPerPixel = LittleEndianField(header, 24, 2);
    } else if (infoSize >= 16) {
        width = LittleEndianField(header, bmp::kWidth, 4);
        const auto signedHeight = static_cast<std::int32_t>(LittleEndianField(header, bmp::kHeight, 4));
        height = static_cast<std::uint64_t>(std::llabs(signedHeight));
        bitsPerPixel = LittleEndianField(header, bmp::kBitsPerPixel, 2);
        compression = infoSize >= 20 ? LittleEndianField(header, bmp::kCompression, 4) : 0;
    } else {
        return true;
    }
    if (compression != bmp::kUncompressed && compression != bmp::kBitFields)
        return false; // run-length data has no fixed size; its decoder checks it
    return fileSize < LittleEndianField(header, bmp::kPixelsAt, 4) + PaddedRowBytes(width, bitsPerPixel) * height;
}

} // namespace velmora
