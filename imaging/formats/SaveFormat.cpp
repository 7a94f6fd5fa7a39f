// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/SaveFormat.h"

namespace velmora {

std::string FormatExtension(int saveFormat)
{
    switch (saveFormat) {
    case kSaveBmp: return "bmp";
    case kSavePng: return "png";
    case kSaveTiff: return "tif";
    case kSaveJpeg: return "jpg";
    default: return "";
    }
}

int IntermediateFormat(int saveFormat)
{
    return saveFormat == kSaveJpeg ? kSaveBmp : saveFormat;
}

} // namespace velmora
