// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/TiffDirectory.h"

namespace velmora {

std::optional<std::uint32_t> TiffDirectory::Short(FileBytes& bytes, std::uint64_t at) const
{
    return bigEndian ? bytes.Big16(at) : bytes.Little16(at);
}

std::optional<std::uint32_t> TiffDirectory::Long(FileBytes& bytes, std::uint64_t at) const
{
    return bigEndian ? bytes.Big32(at) : bytes.Little32(at);
}

std::optional<TiffDirectory> FirstTiffDirectory(FileBytes& bytes, std::uint64_t start)
{
    TiffDirectory directory;
    directory.bigEndian = bytes.Matches(start, "MM");
    if (!directory.bigEndian && !bytes.Matches(start, "II"))
        return std::nullopt;
    const auto offset = directory.Long(bytes, start + 4);
    const std::optional<std::uint64_t> at = offset ? std::optional(start + *offset) : std::nullopt;
    const auto count = at ? directory.Short(bytes, *at) : std::nullopt;
    if (!count)
        return std::nullopt;
    constexpr std::uint64_t kEntryBytes = 12;
    for (std::uint64_t i = 0; i < *count; ++i) {
        const std::uint64_t entry = *at + 2 + kEntryBytes * i;
        const auto tag = directory.Short(bytes, entry), values = directory.Long(bytes, entry + 4);
        if (!tag || !values)
            break;
        directory.entries.push_back({*tag, *values, entry + 8});
    }
    return directory;
}

} // namespace velmora
