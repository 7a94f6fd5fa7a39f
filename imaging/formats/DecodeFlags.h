// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <FreeImage.h>

namespace velmora {

// How the image library is to decode a picture of `format`. JPEGs as their
// standard decoder does (an exact inverse DCT, colour brought back to full
// size smoothly), as other programs read them: the library's default is a
// faster approximation whose colour edges are blocky, up to 20 levels off
// on a camera's picture, which an anaglyph's separated colours show.
inline int DecodeFlags(FREE_IMAGE_FORMAT format)
{
    return format == FIF_JPEG ? JPEG_ACCURATE : 0;
}

} // namespace velmora
