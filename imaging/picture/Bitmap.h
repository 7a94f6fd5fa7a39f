// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include <FreeImage.h>

// The picture every routine works on: a FreeImage bitmap owned by a
// unique_ptr, its sizes and resolution, and pixel access by rows. Nothing
// here reads or writes a file.
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

// A new all-black bitmap; none when the size is 0 or memory runs out. The
// pixels of a large one are taken straight from the system, which gives them
// zeroed without writing them, in huge pages where it can: a picture of 24
// megapixels costs a few dozen page faults instead of thousands.
Bitmap NewImage(int width, int height, int bitsPerPixel);

// The pixel memory of a finished 24-bit picture of this size, for a new
// result that writes every byte of it, without asking the system for fresh
// pages: a bitmap over the same pixels as they stand, with a new bitmap's
// header (none of `old`'s resolution, palette or other data), and `old`
// released. None, `old` left as it was, when its pixels are not pages of its
// own (NewImage) or it has another size or depth; none, `old` released, when
// the library cannot make the new header.
Bitmap TakePixels(Bitmap& old, int width, int height);

int Width(FIBITMAP* bitmap);
int Height(FIBITMAP* bitmap);
int BitsPerPixel(FIBITMAP* bitmap);
// Whether the bitmap holds three bytes per pixel, as every routine and our own
// encoders take it.
bool IsRgb(FIBITMAP* bitmap);
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

} // namespace velmora
