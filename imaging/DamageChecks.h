#pragma once

#include <cstdint>

namespace velmora {

// Decoders fill what a damaged file lacks with black and call it a picture;
// these checks catch the cases FreeImage lets through.

// Whether a BMP file is shorter than the uncompressed pixel data its header
// announces (Windows and OS/2 headers alike). `descriptor` is open for
// reading; its position is not used.
bool IsTruncatedBmp(int descriptor, std::uint64_t fileSize);

// Notes every error the TIFF library reports on this thread while it lives
// (a strip shorter than its rows, data past the end of the file...), but
// for its complaints about unknown tags; its warnings stay quiet.
class TiffErrorWatch {
public:
    TiffErrorWatch();
    ~TiffErrorWatch();
    TiffErrorWatch(const TiffErrorWatch&) = delete;
    TiffErrorWatch& operator=(const TiffErrorWatch&) = delete;

    bool ErrorSeen() const;
};

// Installs the TIFF library's quiet handlers; called before any TIFF is read
// or written.
void QuietenTiffLibrary();

} // namespace velmora
