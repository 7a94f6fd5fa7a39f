// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/formats/BmpHeader.h"

#include <cstdint>

namespace velmora {

// Decoders fill what a damaged file lacks with black and call it a picture;
// these checks catch the cases FreeImage lets through.

// Whether a BMP file is shorter than the uncompressed pixel data its header
// announces (Windows and OS/2 headers alike), or too short for its header.
bool IsTruncatedBmp(const BmpHeader& header, std::uint64_t fileSize);

// Notes, on this thread while it lives, the signs of a damaged file that the
// decoders pass over: every error the TIFF library reports (a strip shorter
// than its rows, data past the end of the file...) but for its complaints
// about unknown tags, and a JPEG file that ends before its last row.
class DamageWatch {
public:
    DamageWatch();
    ~DamageWatch();
    DamageWatch(const DamageWatch&) = delete;
    DamageWatch& operator=(const DamageWatch&) = delete;

    bool DamageSeen() const;
};

// Installs quiet handlers for the libraries' messages, which would otherwise
// print on stderr (the TIFF library's warnings on tags it does not know fill
// screens); called before any file is read or written. The libraries take
// one handler each for the whole process, so they are installed once; what
// a handler notes is kept per thread (DamageWatch), so reads on several
// threads never see each other's damage.
void QuietenImageLibraries();

} // namespace velmora
