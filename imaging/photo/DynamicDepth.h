// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/formats/FileBytes.h"
#include "imaging/photo/StoredDepth.h"
#include "imaging/photo/XmpProperties.h"

namespace velmora {

// A Dynamic Depth container: the main XMP packet's Device:Container holds a
// Container:Directory, an rdf:Seq of Container:Item entries (Item:Mime,
// Item:Semantic, Item:Length, Item:Padding, Item:DataURI) in the order
// their bytes follow the primary image, which comes first and is the JPEG
// itself. The depth map is the first Camera:DepthMap of Device:Cameras whose
// DepthMap:ItemSemantic is Depth (or not given): its DepthMap:Format, Near
// and Far, and DepthMap:DepthURI naming the item that holds its image.
// The appended items are placed from the end of the file back, by their
// lengths and paddings (each padding following its item), so a primary image
// whose scan or trailing bytes cannot be walked does not matter. Absent when
// the packet has no container directory or no depth map.
StoredDepthRead ReadDynamicDepth(FileBytes& bytes, const XmpPacket& mainXmp, const RunOptions& options);

} // namespace velmora
