// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>

namespace velmora {

// Written formats, as the index of the "Save as:" list; JPEG is only for the
// command line, which keeps every intermediate picture lossless.
enum SaveFormat : int { kSaveBmp = 0, kSavePng = 1, kSaveTiff = 2, kSaveJpeg = 3 };

// "bmp", "png", "tif" or "jpg" for saveFormat 0 to 3; "" for anything else.
std::string FormatExtension(int saveFormat);

// The format of a file that later steps read: the save format, except that
// a lossy one gives way to BMP.
int IntermediateFormat(int saveFormat);

} // namespace velmora
