// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/formats/FileBytes.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace velmora {

// A TIFF's first directory, read in the file's byte order: each entry's tag,
// its number of values and where its value lies (inside the entry when the
// values fit in four bytes, otherwise at the offset stored there).
struct TiffDirectory {
    struct Entry {
        std::uint32_t tag = 0;
        std::uint32_t count = 0;
        std::uint64_t valueAt = 0; // the entry's value field
    };

    bool bigEndian = false;
    std::vector<Entry> entries; // up to the first that the file cuts off

    std::optional<std::uint32_t> Short(FileBytes& bytes, std::uint64_t at) const;
    std::optional<std::uint32_t> Long(FileBytes& bytes, std::uint64_t at) const;
};

// None when the file has no TIFF byte order or no first directory. A TIFF
// structure inside another file (a JPEG's Exif) starts at `start`, and its
// offsets count from there.
std::optional<TiffDirectory> FirstTiffDirectory(FileBytes& bytes, std::uint64_t start = 0);

} // namespace velmora
