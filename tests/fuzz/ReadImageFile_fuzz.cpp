// SPDX-License-Identifier: GPL-3.0-or-later

// The whole reading path, as the command line and the window read a picture,
// on the input as a file: sniffing, the size checks, the program's own BMP
// readers, the library's decoders and the conversion to 24 bits, and one
// channel read alone. Only BMP, PNG, TIFF and JPEG are tried, the formats
// the program writes and that pictures mostly come in; the library's other
// decoders are slow enough to take the whole run.

#include "imaging/RunOptions.h"
#include "imaging/formats/ImageFile.h"

#include "tests/fuzz/FuzzSupport.h"

#include <FreeImage.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

namespace {

using velmora::fuzz::Require;

bool StartsLikeFileToTry(const std::uint8_t* data, std::size_t size)
{
    constexpr std::string_view kSignatures[] = {
        {"BM", 2}, {"\x89PNG\r\n\x1A\n", 8}, {"II*\0", 4}, {"MM\0*", 4}, {"\xFF\xD8\xFF", 3}};
    for (const std::string_view signature : kSignatures)
        if (size >= signature.size() && std::memcmp(data, signature.data(), signature.size()) == 0)
            return true;
    return false;
}

velmora::RunOptions Options()
{
    velmora::RunOptions options;
    options.threads = 1;
    options.pictureLimit = 16 * 1024 * 1024;
    return options;
}

// The limit is checked on the header, before decoding: the pixels decoded,
// and their 24-bit copy, must keep within it all the same.
bool WithinLimit(FIBITMAP* bitmap, std::uint64_t limit)
{
    return std::uint64_t{FreeImage_GetPitch(bitmap)} * FreeImage_GetHeight(bitmap) <= limit;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!StartsLikeFileToTry(data, size))
        return 0;
    static velmora::fuzz::MemoryFile file;
    static const velmora::RunOptions options = Options();
    file.Hold(data, size);

    (void)velmora::ReadHorizontalResolution(file.Path(), options);
    velmora::ImageRead read = velmora::ReadImageFile(file.Path(), options);
    Require(bool(read.bitmap) == bool(read.status), "a picture and a failure, or neither");
    const int channel = data[size - 1] % 3;
    const velmora::PlaneRead plane = velmora::ReadImageChannel(file.Path(), channel, options);
    if (!read.bitmap) {
        Require(!plane.plane && plane.status.reason == read.status.reason, "a channel of a refused picture");
        return 0;
    }
    Require(WithinLimit(read.bitmap.get(), options.pictureLimit), "a picture larger than the limit is decoded");
    const velmora::Bitmap rgb = velmora::ConvertToRgb(std::move(read.bitmap));
    Require(!rgb || WithinLimit(rgb.get(), options.pictureLimit), "a 24-bit copy larger than the limit is made");
    Require(bool(plane.plane) == bool(rgb), "a channel read alone where the picture is not, or the other way");
    for (int y = 0; rgb && y < plane.plane.Height(); ++y)
        for (int x = 0; x < plane.plane.Width(); ++x)
            Require(plane.plane.Row(y)[x] == velmora::PixelAt(rgb.get(), x, y)[channel],
                    "a channel read alone differs from the picture's");
    return 0;
}
