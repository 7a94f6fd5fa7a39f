// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/formats/FileBytes.h"
#include "imaging/photo/StoredDepth.h"
#include "imaging/photo/XmpProperties.h"

namespace velmora {

// A Google depth map: properties of the namespace
// http://ns.google.com/photos/1.0/depthmap/ (GDepth:Format, Near, Far, Mime,
// Data) in the JPEG's main XMP packet, the base64 depth image in Data,
// which is mostly in the extended XMP that xmpNote:HasExtendedXMP names.
// Absent when the main packet has none of these properties.
StoredDepthRead ReadGoogleDepth(FileBytes& bytes, const XmpPacket& mainXmp, const RunOptions& options);

} // namespace velmora
