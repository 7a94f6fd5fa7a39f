// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/formats/FileBytes.h"

#include <FreeImage.h>

namespace velmora {

// Whether the file says how many pixels make an inch or a metre: a PNG's
// pHYs chunk before its pixels, a JPEG's JFIF density in inches or
// centimetres (units 0 give only the pixels' shape) or an Exif segment, a
// TIFF's XResolution. The image library gives every picture 72 dpi when its
// file says nothing, which would pass for a resolution; other formats are
// taken as the library reads them.
bool HasStoredResolution(FREE_IMAGE_FORMAT format, FileBytes& bytes);

} // namespace velmora
