// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/picture/Bitmap.h"
#include "imaging/picture/BytePlane.h"
#include "imaging/threads/ProgressSink.h"

#include <string>

namespace velmora {

// A depth map to read, and whether its convention is the other way round
// (darker = nearer), as some tools make them. A plain path converts to one
// in Velmora's convention.
struct DepthMapFile {
    DepthMapFile(std::string path, bool inverted = false) : path(std::move(path)), inverted(inverted) {}
    DepthMapFile(const char* path) : DepthMapFile(std::string(path)) {}

    std::string path;
    bool inverted;
};

// Every byte becomes 255 minus itself; the rows are shared among `threads`
// threads.
void InvertBytes(FIBITMAP* bitmap, int threads);
void InvertBytes(const BytePlane& plane, int threads);

// Reads a depth map as 24-bit, turned round when it is inverted; reports
// the failure with `failureMessage` when it cannot be read.
Bitmap ReadDepthOrReport(const DepthMapFile& depth, const char* failureMessage, const RunOptions& options,
                         ProgressSink& sink);

// The same for the depth alone, its blue byte, as a plane: a plain 24-bit
// BMP's other bytes never take memory (ReadImageChannel).
BytePlane ReadDepthPlaneOrReport(const DepthMapFile& depth, const char* failureMessage, const RunOptions& options,
                                 ProgressSink& sink);

} // namespace velmora
