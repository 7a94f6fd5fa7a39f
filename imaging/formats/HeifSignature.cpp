// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/HeifSignature.h"

#include "imaging/files/FilePaths.h"

#include <algorithm>
#include <string_view>

namespace velmora {
namespace {

// ISO/IEC 23008-12's image and sequence brands, HEVC and general, and AVIF's.
constexpr std::string_view kHeifBrands[] = {"heic", "heix", "heim", "heis", "hevc", "hevx", "hevm",
                                            "hevs", "mif1", "mif2", "msf1", "avif", "avis"};

// A file type box of a few dozen brands at most: a larger one is not taken
// for a picture's, nor read through.
constexpr std::uint32_t kLargestFileTypeBox = 1024;

bool IsHeifBrand(FileBytes& bytes, std::uint64_t at)
{
    return std::any_of(std::begin(kHeifBrands), std::end(kHeifBrands),
                       [&](std::string_view brand) { return bytes.Matches(at, brand); });
}

} // namespace

bool HasHeifSignature(FileBytes& bytes)
{
    // Size, "ftyp", major brand, minor version, then compatible brands to the
    // box's end.
    const auto size = bytes.Big32(0);
    if (!size || *size < 16 || *size > kLargestFileTypeBox || *size % 4 != 0 || !bytes.Has(0, *size) ||
        !bytes.Matches(4, "ftyp"))
        return false;
    if (IsHeifBrand(bytes, 8))
        return true;
    for (std::uint64_t at = 16; at < *size; at += 4)
        if (IsHeifBrand(bytes, at))
            return true;
    return false;
}

bool HeifBoxesCutShort(FileBytes& bytes)
{
    // Size, type, then a 64-bit size when the size is 1; 0 runs to the end.
    for (std::uint64_t at = 0; at < bytes.Size();) {
        const auto size = bytes.Big32(at);
        if (!size || !bytes.Has(at, 8))
            return true;
        std::uint64_t length = *size, header = 8;
        if (*size == 1) {
            const auto large = bytes.Big64(at + 8);
            if (!large)
                return true;
            length = *large;
            header = 16;
        }
        if (*size == 0 || length < header)
            return false; // the last box, or a size no box has: damaged, not cut
        if (!bytes.Has(at, length))
            return true;
        at += length;
    }
    return false;
}

bool NamedAsHeif(const std::string& path)
{
    const std::string extension = LowerCaseExtension(path);
    return extension == ".heic" || extension == ".heif" || extension == ".hif";
}

} // namespace velmora
