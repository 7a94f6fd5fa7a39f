// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <vector>

#include <FreeImage.h>

namespace velmora::bench {

// Output for an encoder that appends to the std::vector<std::uint8_t> given
// as its handle, so that only the encoding is timed; the vector keeps its
// memory from run to run.
FreeImageIO AppendingIO();

} // namespace velmora::bench
