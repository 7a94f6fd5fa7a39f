// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/photo/StoredDepth.h"

#include <string>

namespace velmora {

// The depth map stored in the photograph at `path` (a JPEG's, see
// StoredDepth.h; a HEIC's, see HeifDepth.h), made
// to fit the picture as it is read: turned upright as the picture is, and
// brought to its size (DepthFitting), since phones store maps of a fraction
// of the picture's size. Absent for files that store none and for formats
// that cannot store one.
StoredDepthRead ReadPhotoDepth(const std::string& path, const RunOptions& options);

} // namespace velmora
