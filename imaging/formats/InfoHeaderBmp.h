// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/formats/BmpHeader.h"

#include <FreeImage.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace velmora {

// A BMP file under one of the later Windows headers (V2 to V5), which GIMP
// and ImageMagick write, seen as the same file under the info header, the
// only one the image library reads. The later headers only add fields after
// the info header's: the colour masks, which move to just after it, where
// the info header keeps them, and the colour space, which the library would
// not use. Everything after the header is the file's own bytes.
class InfoHeaderBmp {
public:
    // The file as such a BMP, read from `stream` after its start (`bmp`);
    // none when it has no later header, or one whose fields leave no room
    // for it.
    static std::optional<InfoHeaderBmp> Of(FILE* stream, const BmpHeader& bmp, std::uint64_t fileSize);

    // I/O for the library's loading; the handle is at the start of the file.
    static FreeImageIO IO();
    fi_handle Handle();

private:
    InfoHeaderBmp(FILE* stream, std::string start, std::uint64_t shift, std::uint64_t size);

    unsigned Read(void* bytes, unsigned size, unsigned count);
    int Seek(long offset, int origin);

    FILE* stream_;
    std::string start_;   // the rewritten file and info headers, with the masks
    std::uint64_t shift_; // how much further on the file holds what follows them
    std::uint64_t size_;  // of the file as seen
    std::uint64_t position_ = 0;
    std::uint64_t streamAt_ = kUnknown; // where the stream stands in the file
    static constexpr std::uint64_t kUnknown = ~std::uint64_t{0};
};

} // namespace velmora
