// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/picture/Bitmap.h"

#include <string>

namespace velmora {

// The depth map a photograph stores, as our grey depth map at its stored size, or why there is none. Absent: found
// false and no problem.
struct StoredDepthRead {
    Bitmap depth;
    bool found = false;
    std::string problem;
    std::string source;
};

} // namespace velmora
