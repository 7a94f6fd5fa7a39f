// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <FreeImage.h>

namespace velmora {

// Writes a 24-bit bitmap (IsRgb) as a standard PNG: 8-bit RGB, not interlaced, its
// resolution in a pHYs chunk. Runs of rows are filtered and compressed by
// `threads` threads at once, each into its own stretch of the one zlib
// stream (ended by a sync flush so that the stretches join), and written in
// order as they come, so the memory used stays a few runs whatever the
// picture. Filtered photographs are mostly short repeats of the byte before,
// so matches are looked for only there: several times faster than a full
// search for files of much the same size. Returns false when the encoder
// fails or memory runs out; the writes themselves are checked by the caller.
bool WritePng(FIBITMAP* bitmap, FreeImageIO& io, fi_handle handle, int threads);

} // namespace velmora
