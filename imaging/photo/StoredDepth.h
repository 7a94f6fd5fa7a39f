// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/formats/FileBytes.h"
#include "imaging/picture/Bitmap.h"

#include <string>

namespace velmora {

// The depth map a photograph stores, as our grey depth map (GreyDepthMap:
// 24-bit, brighter = nearer, linear in disparity from its far distance at 0
// to its near one at 255) at its stored size, which need not be the
// photograph's (fitting it to the picture is done elsewhere); its rows
// stored bottom-up as in every Bitmap. Or why there is none.
struct StoredDepthRead {
    Bitmap depth;
    bool found = false;
    std::string problem; // empty when found or simply absent; else it reads "its stored depth map ..."
    std::string source;  // "Google depth map", "Dynamic Depth" or the HEIF depth image's kind, for notes
};

// The depth map of a JPEG photograph from a phone: a Google depth map
// (GDepth properties in its XMP, the image mostly in the extended XMP) or a
// Dynamic Depth container (the depth image appended after the photograph,
// found through the container's directory). No XMP, or neither of the two
// in it, is simply absent (found false, no problem); one that is there but
// damaged, too large for the options' picture limit, or unreadable gives a
// problem. Reading is bounded by the file's size; nothing it holds can make
// it allocate more than the file and the picture limit allow.
StoredDepthRead ReadJpegStoredDepth(FileBytes& bytes, const RunOptions& options);

} // namespace velmora
