// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// The bytes that base64 text (the standard alphabet) stands for. Line breaks
// and spaces anywhere are skipped, as XMP writers wrap long values, and the
// closing '=' may be left out; any other character, '=' before the end, or a
// lone last character makes it invalid: none.
std::optional<std::string> DecodeBase64(std::string_view text);

} // namespace velmora
