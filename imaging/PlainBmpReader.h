// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/ImageFile.h"

#include <optional>

namespace velmora {

// Reads the BMP files this program writes, and most others do: 24-bit
// pixels without compression under the Windows info header. The pixels go
// straight from the file into pages of their own (NewImage), not into
// memory the image library zeroes first, which for a large picture cost as
// much as reading it. The result is the library's: the same pixels, rows and
// resolution.
//
// None when the file is some other BMP, which the library then reads; an
// empty bitmap when the pixels cannot be read (the file shrank, a read
// failed) or there is no memory for them. `descriptor` is open for reading
// on a file checked to be at least as long as its pixels need.
std::optional<Bitmap> ReadPlainBmp(int descriptor);

} // namespace velmora
