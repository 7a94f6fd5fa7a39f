// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/picture/Bitmap.h"

#include "imaging/picture/RowPadding.h"
#include "imaging/picture/ZeroedArray.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

namespace velmora {

void BitmapDeleter::operator()(FIBITMAP* bitmap) noexcept
{
    FreeImage_Unload(bitmap);
    if (pixelMemory)
        GiveBackPages(pixelMemory, pixelBytes);
    pixelMemory = nullptr;
    pixelBytes = 0;
}

namespace {

// A 24-bit bitmap over pixel memory of pages of its own, which it then owns;
// none (the memory given back) when the library cannot make one.
Bitmap OverPages(void* memory, std::size_t bytes, int width, int height, std::uint64_t pitch)
{
    FIBITMAP* bitmap = FreeImage_ConvertFromRawBitsEx(FALSE, static_cast<BYTE*>(memory), FIT_BITMAP, width, height,
                                                      static_cast<int>(pitch), 24, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK,
                                                      FI_RGBA_BLUE_MASK, FALSE);
    if (!bitmap) {
        GiveBackPages(memory, bytes);
        return {};
    }
    return Bitmap(bitmap, BitmapDeleter{memory, bytes});
}

} // namespace

Bitmap NewImage(int width, int height, int bitsPerPixel)
{
    if (width <= 0 || height <= 0)
        return {};
    // Rows padded to whole 32-bit words, as the library keeps them.
    const std::uint64_t pitch = PaddedRowBytes(static_cast<std::uint64_t>(width), bitsPerPixel);
    const std::uint64_t bytes = pitch * static_cast<std::uint64_t>(height);
    constexpr std::uint64_t kSmall = 1 << 20;
    if (bitsPerPixel != 24 || bytes < kSmall || pitch > INT_MAX)
        return Bitmap(FreeImage_Allocate(width, height, bitsPerPixel, 0, 0, 0));
    void* memory = TakeZeroedPages(bytes);
    if (!memory)
        return {};
    return OverPages(memory, bytes, width, height, pitch);
}

Bitmap TakePixels(Bitmap& old, int width, int height)
{
    const BitmapDeleter owned = old.get_deleter();
    if (!old || !owned.pixelMemory || Width(old.get()) != width || Height(old.get()) != height ||
        BitsPerPixel(old.get()) != 24)
        return {};
    const std::uint64_t pitch = FreeImage_GetPitch(old.get());
    old.get_deleter() = BitmapDeleter{};
    old.reset();
    return OverPages(owned.pixelMemory, owned.pixelBytes, width, height, pitch);
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

bool IsRgb(FIBITMAP* bitmap) { return FreeImage_GetImageType(bitmap) == FIT_BITMAP && BitsPerPixel(bitmap) == 24; }

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

} // namespace velmora
