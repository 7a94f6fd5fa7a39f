// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/formats/FileBytes.h"

#include <FreeImage.h>

namespace velmora {

// The Exif orientation a file stores for its pixels (1 to 8, see
// picture/Orientation.h): a JPEG's Exif segment, a TIFF's first directory, a
// PNG's eXIf chunk. 1 when the file stores none or one out of range, and
// for other formats.
int StoredOrientation(FREE_IMAGE_FORMAT format, FileBytes& bytes);

} // namespace velmora
