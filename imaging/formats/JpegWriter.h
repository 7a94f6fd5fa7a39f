// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <FreeImage.h>

namespace velmora {

// Writes a 24-bit bitmap (IsRgb) as a baseline JPEG at `quality` (taken to
// 1..100), colour at full resolution (4:4:4: in a stereo picture the colour
// channels carry the two eyes), the bitmap's resolution in its JFIF segment
// in dots per inch (none when it has none), Huffman tables made for the
// picture. The picture is cut into bands of whole rows of blocks, fixed by
// its size alone, with a restart marker between them: `threads` threads
// count the bands' symbols for the tables, then encode them, each into its
// own buffer, and the bands are written in order as they come, so that the
// memory used stays a few bands whatever the picture and the file is the
// same whatever the number of threads. Returns false when the picture is too
// large for a JPEG (over 65500 pixels a side), the encoder fails or memory
// runs out; the writes themselves are checked by the caller.
bool WriteJpeg(FIBITMAP* bitmap, int quality, FreeImageIO& io, fi_handle handle, int threads);

} // namespace velmora
