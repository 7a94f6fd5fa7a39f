// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/photo/DepthImage.h"

#include "imaging/formats/DamageChecks.h"
#include "imaging/formats/DecodeFlags.h"
#include "imaging/formats/FileBytes.h"
#include "imaging/formats/ImageFile.h"
#include "imaging/formats/PictureLimit.h"
#include "imaging/formats/PixelDataBounds.h"
#include "imaging/picture/Bitmap.h"
#include "imaging/picture/RowPadding.h"

#include <FreeImage.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

namespace velmora {
namespace {

struct MemoryCloser {
    void operator()(FIMEMORY* memory) const noexcept { FreeImage_CloseMemory(memory); }
};
using Memory = std::unique_ptr<FIMEMORY, MemoryCloser>;

// The levels of a decoded bitmap, or none for a pixel type not read here.
std::optional<DepthLevels> LevelsOf(Bitmap bitmap)
{
    const FREE_IMAGE_TYPE type = FreeImage_GetImageType(bitmap.get());
    if (type == FIT_BITMAP) {
        // Grey, palettes and alpha all become three bytes, red among them.
        bitmap = ConvertToRgb(std::move(bitmap));
        if (!bitmap)
            return std::nullopt;
    } else if (type != FIT_UINT16 && type != FIT_RGB16 && type != FIT_RGBA16) {
        return std::nullopt;
    }
    DepthLevels levels {Width(bitmap.get()), Height(bitmap.get()), {}};
    levels.values.resize(static_cast<std::size_t>(levels.width) * levels.height);
    const unsigned step = FreeImage_GetBPP(bitmap.get()) / 8; // bytes a pixel
    for (int row = 0; row < levels.height; ++row) {
        // Stored rows run from the bottom.
        const std::uint8_t* from = RowAt(bitmap.get(), levels.height - 1 - row);
        float* to = levels.values.data() + static_cast<std::size_t>(row) * levels.width;
        for (int column = 0; column < levels.width; ++column) {
            const std::uint8_t* pixel = from + static_cast<std::size_t>(column) * step;
            if (type == FIT_BITMAP) {
                to[column] = pixel[FI_RGBA_RED] / 255.0f;
            } else {
                // 16-bit grey is one word; RGB16 and RGBA16 put red first.
                std::uint16_t word = 0;
                std::memcpy(&word, pixel, sizeof word);
                to[column] = word / 65535.0f;
            }
        }
    }
    return levels;
}

} // namespace

std::variant<DepthLevels, std::string> DecodeDepthImage(std::string_view bytes, const RunOptions& options)
{
    QuietenImageLibraries();
    if (bytes.size() > 0xFFFFFFFFu) // the library's sizes are 32-bit
        return std::string("is too large");
    auto* data = reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())); // only read from
    Memory memory(FreeImage_OpenMemory(data, static_cast<DWORD>(bytes.size())));
    if (!memory)
        return std::string("cannot be opened");
    const FREE_IMAGE_FORMAT format = FreeImage_GetFileTypeFromMemory(memory.get(), 0);
    if (format != FIF_JPEG && format != FIF_PNG)
        return std::string("is neither a JPEG nor a PNG picture");
    const Bitmap header(FreeImage_LoadFromMemory(format, memory.get(), FIF_LOAD_NOPIXELS));
    if (!header)
        return std::string("cannot be decoded");
    const std::uint64_t width = FreeImage_GetWidth(header.get()), height = FreeImage_GetHeight(header.get());
    const FileStatus size =
        CheckPictureSize(width, height, PaddedRowBytes(width, FreeImage_GetBPP(header.get())), options.pictureLimit);
    if (!size)
        return "is too large: " + size.reason;
    FileBytes file(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    const PixelData pixels = CheckPixelData(format, file, width, height);
    if (pixels == PixelData::kCutShort)
        return std::string("is cut short");
    if (pixels == PixelData::kImpossible)
        return std::string("cannot be decoded");
    FreeImage_SeekMemory(memory.get(), 0, SEEK_SET);
    DamageWatch damage;
    Bitmap bitmap(FreeImage_LoadFromMemory(format, memory.get(), DecodeFlags(format)));
    if (!bitmap || damage.DamageSeen())
        return std::string("cannot be decoded");
    if (Width(bitmap.get()) == 0 || Height(bitmap.get()) == 0)
        return std::string("has no pixels");
    auto levels = LevelsOf(std::move(bitmap));
    if (!levels)
        return std::string("has pixels of a kind that cannot be read");
    return std::move(*levels);
}

} // namespace velmora
