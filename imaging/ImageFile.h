// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/FileStatus.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <FreeImage.h>

namespace velmora {

// Releases a bitmap, and the memory its pixels were given when they live
// outside it (see NewImage). A bitmap put in place by reset() is the
// library's own, so that memory is forgotten once given back.
struct BitmapDeleter {
    void* pixelMemory = nullptr;
    std::size_t pixelBytes = 0;

    void operator()(FIBITMAP* bitmap) noexcept;
};

// A FreeImage bitmap, released when the owner goes out of scope.
using Bitmap = std::unique_ptr<FIBITMAP, BitmapDeleter>;

// A picture read from a file, or why there is none.
struct ImageRead {
    Bitmap bitmap;
    FileStatus status;
};

// Reads a file as it is stored, in the format its content has (the name's
// extension decides only for content that no format recognises). Refused
// before any pixel is decoded: what is not a regular file (a folder, a FIFO,
// a device), and a picture whose header claims more than PictureSizeLimit()
// (kTooLarge). Refused after decoding: a file the library cannot decode, or
// that is cut short.
ImageRead ReadImageFile(const std::string& path);

// Whether the name's extension is one of a picture format the program reads
// (.png, .jpg, .bmp, .tif...), whatever the file holds.
bool NamedAsPicture(const std::string& path);

// ReadImageFile, then anything that is not 24 bits per pixel (8-bit grey,
// 16-bit grey, paletted, 32-bit with alpha, 48-bit...) is converted to 24 bits,
// so that the processing routines always find three bytes per pixel inside a
// scanline. 16-bit grey keeps its high byte; alpha is dropped. The resolution
// of the file is kept.
ImageRead ReadRgbImageFile(const std::string& path);

// The same bitmap when it is 24-bit already, otherwise its 24-bit conversion
// as ReadRgbImageFile makes it; none when it cannot be converted.
Bitmap ConvertToRgb(Bitmap bitmap);

// The horizontal resolution stored in a file's header, in pixels per metre,
// read without decoding the pixels where the format allows; none, and why,
// when ReadImageFile would refuse the file before decoding, or the header
// cannot be read.
struct ResolutionRead {
    std::optional<std::int32_t> pixelsPerMetre;
    FileStatus status;
};
ResolutionRead ReadHorizontalResolution(const std::string& path);

// A new all-black bitmap; none when the size is 0 or memory runs out. The
// pixels of a large one are taken straight from the system, which gives them
// zeroed without writing them, in huge pages where it can: a picture of 24
// megapixels costs a few dozen page faults instead of thousands.
Bitmap NewImage(int width, int height, int bitsPerPixel);

int Width(FIBITMAP* bitmap);
int Height(FIBITMAP* bitmap);
int BitsPerPixel(FIBITMAP* bitmap);
// Pixels per metre, as the signed field of the bitmap's info header.
std::int32_t HorizontalResolution(FIBITMAP* bitmap);

// Sets both resolutions; the value is truncated to a whole number of pixels
// per metre (and clamped to the header field's range).
void SetResolution(FIBITMAP* bitmap, double pixelsPerMetre);

// The three bytes blue, green, red of pixel (column, row) of a 24-bit bitmap.
// Row 0 is the bottom row of the picture. Callers keep both inside the bitmap.
inline std::uint8_t* PixelAt(FIBITMAP* bitmap, int column, int row)
{
    return FreeImage_GetScanLine(bitmap, row) + 3 * static_cast<std::ptrdiff_t>(column);
}

// The start of stored scanline `row` (row 0 is the bottom of the picture).
inline std::uint8_t* RowAt(FIBITMAP* bitmap, int row)
{
    return FreeImage_GetScanLine(bitmap, row);
}

// Pixel access for loops that visit a bitmap scanline by scanline: the
// scanline's address is looked up once per scanline, not once per pixel.
class RowCursor {
public:
    explicit RowCursor(FIBITMAP* bitmap) : bitmap_(bitmap) {}

    std::uint8_t* PixelAt(int column, int row)
    {
        if (row != row_) {
            row_ = row;
            start_ = RowAt(bitmap_, row);
        }
        return start_ + 3 * static_cast<std::ptrdiff_t>(column);
    }

private:
    FIBITMAP* bitmap_;
    int row_ = -1;
    std::uint8_t* start_ = nullptr;
};

// The quality of the JPEG files written from now on, 1 to 100 (values
// outside are taken to the nearest end); kDefaultJpegQuality at first.
int JpegQuality();
void SetJpegQuality(int quality);

// Writes as BMP, PNG, TIFF or JPEG by `saveFormat` (StereoSettings), whatever
// the path's extension says, with the library's default options (JPEG at
// the set quality, colour at full resolution), replacing the
// file at once (AtomicFile): a failed write leaves it as it was. Fails for
// an unknown format, and with the system's reason when a write, the flush to
// the disk or the rename fails (missing folder, no permission, full disk...).
FileStatus WriteImageFile(FIBITMAP* bitmap, const std::string& path, int saveFormat);

} // namespace velmora
