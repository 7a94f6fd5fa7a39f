// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/formats/FileBytes.h"

#include <string>

namespace velmora {

// Whether a file starts as a HEIF picture does: a file type box whose major
// or compatible brands name a HEIF image or image sequence (HEVC-coded, as
// phones write HEIC, or any coding, as the general brands say), or an AVIF
// picture, which is HEIF with AV1 inside. Box sizes are checked against the
// file; nothing past the box is read.
bool HasHeifSignature(FileBytes& bytes);

// Whether one of the file's top-level boxes reaches past its end, as they do
// in a file cut short: libheif takes a box it cannot read whole for one that
// is not there.
bool HeifBoxesCutShort(FileBytes& bytes);

// Whether the name's extension is one HEIF pictures come with: .heic, .heif
// or .hif, in either case (phones write .HEIC).
bool NamedAsHeif(const std::string& path);

} // namespace velmora
