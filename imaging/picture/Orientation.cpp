// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/picture/Orientation.h"

namespace velmora {
namespace {

// The library turns anticlockwise by positive angles.
constexpr double kQuarterClockwise = -90, kQuarterAnticlockwise = 90, kHalf = 180;

Bitmap Turned(FIBITMAP* picture, double degrees)
{
    return Bitmap(FreeImage_Rotate(picture, degrees));
}

// A copy flipped by `flip` (left to right or top to bottom).
Bitmap Flipped(FIBITMAP* picture, BOOL (*flip)(FIBITMAP*))
{
    Bitmap copy(FreeImage_Clone(picture));
    if (copy && !flip(copy.get()))
        copy.reset();
    return copy;
}

Bitmap Mirrored(FIBITMAP* picture)
{
    return Flipped(picture, FreeImage_FlipHorizontal);
}

Bitmap MirroredThenTurned(FIBITMAP* picture, double degrees)
{
    Bitmap mirrored = Mirrored(picture);
    return mirrored ? Turned(mirrored.get(), degrees) : Bitmap();
}

Bitmap Oriented(FIBITMAP* picture, int orientation)
{
    switch (orientation) {
    case 2: return Mirrored(picture);
    case 3: return Turned(picture, kHalf);
    case 4: return Flipped(picture, FreeImage_FlipVertical);
    case 5: return MirroredThenTurned(picture, kQuarterAnticlockwise);
    case 6: return Turned(picture, kQuarterClockwise);
    case 7: return MirroredThenTurned(picture, kQuarterClockwise);
    default: return Turned(picture, kQuarterAnticlockwise); // 8
    }
}

// A bitmap made from another may carry the other's Exif, orientation tag and
// all; a writer that kept it would have viewers turn the picture again.
void ForgetMetadata(FIBITMAP* picture)
{
    for (const FREE_IMAGE_MDMODEL model : {FIMD_EXIF_MAIN, FIMD_EXIF_EXIF, FIMD_EXIF_GPS, FIMD_EXIF_MAKERNOTE,
                                           FIMD_EXIF_INTEROP, FIMD_EXIF_RAW, FIMD_XMP, FIMD_IPTC})
        FreeImage_SetMetadata(model, picture, nullptr, nullptr);
}

} // namespace

bool IsOrientation(int orientation)
{
    return orientation >= 1 && orientation <= 8;
}

bool SwapsSides(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

Bitmap Upright(Bitmap picture, int orientation)
{
    if (!picture || !IsOrientation(orientation) || orientation == kUpright)
        return picture;
    Bitmap oriented = Oriented(picture.get(), orientation);
    if (!oriented)
        return oriented;
    const unsigned across = FreeImage_GetDotsPerMeterX(picture.get()), down = FreeImage_GetDotsPerMeterY(picture.get());
    FreeImage_SetDotsPerMeterX(oriented.get(), SwapsSides(orientation) ? down : across);
    FreeImage_SetDotsPerMeterY(oriented.get(), SwapsSides(orientation) ? across : down);
    ForgetMetadata(oriented.get());
    return oriented;
}

} // namespace velmora
