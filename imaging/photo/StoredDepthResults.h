// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/photo/DepthEncoding.h"
#include "imaging/photo/StoredDepth.h"

#include <string>
#include <string_view>

namespace velmora {

// What the readers of each layout return: a problem, `why` following "its
// stored depth map" ("is not valid base64"), or the depth map decoded from
// its image's bytes in its encoding (or the decoder's problem).
StoredDepthRead DepthProblem(const std::string& why, std::string_view source);
StoredDepthRead DepthFrom(std::string_view image, const DepthEncoding& encoding, std::string_view source,
                          const RunOptions& options);

} // namespace velmora
