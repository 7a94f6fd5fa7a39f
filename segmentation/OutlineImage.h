// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/picture/Bitmap.h"
#include "imaging/threads/ProgressSink.h"
#include "segmentation/SegmentationRecord.h"

#include <string>

namespace velmora {

// The two pictures of an outline: the outline image itself and the gradient
// image it is made from.
struct OutlineImages {
    Bitmap outline;
    Bitmap gradient;
};

// Makes both from a 24-bit picture in one pass over its rows, which the
// options' threads share (the sink's pumps are not used):
//  - gradient: in each byte, the rounded magnitude of that channel's
//    gradient over the 3 x 3 window (at most 255; the largest possible, 269,
//    is stored as 255); the first and last column and scanline stay black;
//  - outline: white wherever the mean of the gradient's three bytes is below
//    `level`, elsewhere green (0, 255, 0) where the brightness Laplacian is
//    above 0 and blue (255, 0, 0) where it is 0 or less, black on the border.
// Pictures with fewer than 3 columns or scanlines have no interior. Both
// empty, after the message, when there is no memory for them.
OutlineImages MakeOutlineImages(FIBITMAP* picture, int level, const RunOptions& options, ProgressSink& sink);

// From a file to files: reads the picture once (its stored bits per pixel go
// to record.bitsPerPixel), makes both pictures, writes the outline image in
// `saveFormat` and, unless gradientPath is empty, the gradient image in
// gradientFormat. The outline is previewed once written, when `preview` is
// set. A failed read or write shows its message; returns whether all worked.
bool MakeOutlineFiles(const std::string& picturePath, const std::string& outlinePath, const std::string& gradientPath,
                      int level, int saveFormat, int gradientFormat, SegmentationRecord& record,
                      const RunOptions& options, ProgressSink& sink, const PreviewFunction& preview = {});

} // namespace velmora
