// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/formats/FileBytes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// The bytes [at, at + count) of the file; none when the file does not hold
// them all. Nothing is allocated for a range the file cannot hold.
std::optional<std::string> ReadByteRange(FileBytes& bytes, std::uint64_t at, std::uint64_t count);

// The standard XMP packet of a JPEG file: the contents of its first APP1
// segment after "http://ns.adobe.com/xap/1.0/\0"; none when it has none.
std::optional<std::string> ReadMainXmp(FileBytes& bytes);

// The extended XMP packet that the main one names by its GUID
// (xmpNote:HasExtendedXMP), or why it cannot be had.
struct ExtendedXmpRead {
    std::string packet;
    std::string problem; // empty when the packet is whole
};

// Joins the chunks of every APP1 segment "http://ns.adobe.com/xmp/extension/\0"
// whose 32-character GUID is `guid`: after the GUID, the packet's full length
// and the chunk's offset in it (4 bytes each, big-endian), then the chunk.
// Chunks of other GUIDs are passed over; chunks may come in any order, and
// may overlap where they agree. A problem when no chunk is found, when
// chunks disagree on the full length or on overlapping bytes, when a chunk
// reaches past the full length, when parts are missing, or when the full
// length is more than the file's size (so no packet larger than the file is
// ever allocated). The work is bounded by the file's size.
ExtendedXmpRead ReadExtendedXmp(FileBytes& bytes, std::string_view guid);

} // namespace velmora
