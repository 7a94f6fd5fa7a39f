// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/formats/FileBytes.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace velmora {

// Where the data of a PNG's first chunk of `type` ("pHYs", "eXIf") begins,
// walking from chunk to chunk, so bounded by the file's size. Ancillary
// chunks that must come before the pixels are looked for only there
// (`beforePixels`); none when the file ends or its chunks are damaged first.
std::optional<std::uint64_t> FindPngChunk(FileBytes& bytes, std::string_view type, bool beforePixels);

} // namespace velmora
