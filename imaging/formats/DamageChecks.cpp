// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/DamageChecks.h"

#include "imaging/picture/RowPadding.h"

#include <FreeImage.h>
#include <tiffio.h>

#include <cstdarg>
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

bool IsTruncatedBmp(const BmpHeader& header, std::uint64_t fileSize)
{
    if (header.bytesRead < bmp::kOs2End)
        return true;
    const bool os2 = header.headerSize == bmp::kOs2HeaderBytes;
    if (!os2 && header.headerSize < 16)
        return true;
    if (header.compression != bmp::kUncompressed && header.compression != bmp::kBitFields)
        return false; // run-length data has no fixed size; its decoder checks it
    // The Windows headers' width is taken as stored, unsigned; their height
    // is signed, its sign giving only the order of the rows.
    const std::uint64_t width = os2 ? header.width : static_cast<std::uint32_t>(header.width);
    const std::uint64_t height = static_cast<std::uint64_t>(header.height < 0 ? -header.height : header.height);
    const std::uint64_t rowBytes = PaddedRowBytes(width, header.bitsPerPixel);
    // Rows of up to 2^45 bytes, 2^31 of them, can count past 2^64 and wrap
    // round to a size any file has; no file holds so much.
    if (rowBytes != 0 && height > (UINT64_MAX - header.pixelsAt) / rowBytes)
        return true;
    return fileSize < header.pixelsAt + rowBytes * height;
}

} // namespace velmora
