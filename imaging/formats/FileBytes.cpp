// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/FileBytes.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace velmora {

FileBytes::FileBytes(int descriptor, std::uint64_t size) : descriptor_(descriptor), size_(size) {}

FileBytes::FileBytes(const std::uint8_t* bytes, std::size_t size) : memory_(bytes), size_(size) {}

bool FileBytes::Load(std::uint64_t at, std::size_t count)
{
    if (!Has(at, count))
        return false;
    if (memory_ || (at >= windowAt_ && at - windowAt_ + count <= window_.size()))
        return true;
    // Read a whole window from here on, so that reads that walk forwards
    // mostly find their bytes already there.
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(kWindowBytes, size_ - at));
    window_.resize(wanted);
    std::size_t got = 0;
    while (got < wanted) {
        const ssize_t read = pread(descriptor_, window_.data() + got, wanted - got, static_cast<off_t>(at + got));
        if (read < 0 && errno == EINTR)
            continue;
        if (read <= 0)
            break;
        got += static_cast<std::size_t>(read);
    }
    window_.resize(got);
    windowAt_ = at;
    return got >= count;
}

std::optional<std::uint32_t> FileBytes::Byte(std::uint64_t at)
{
    return Number(at, 1, false);
}

std::optional<std::uint32_t> FileBytes::Number(std::uint64_t at, int count, bool bigEndian)
{
    if (!Load(at, static_cast<std::size_t>(count)))
        return std::nullopt;
    const std::uint8_t* bytes = memory_ ? memory_ + at : window_.data() + (at - windowAt_);
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value |= std::uint32_t{bytes[i]} << 8 * (bigEndian ? count - 1 - i : i);
    return value;
}

std::optional<std::uint64_t> FileBytes::Big64(std::uint64_t at)
{
    const auto high = Big32(at), low = Big32(at + 4);
    if (!high || !low)
        return std::nullopt;
    return std::uint64_t{*high} << 32 | *low;
}

bool FileBytes::Matches(std::uint64_t at, std::string_view text)
{
    if (text.size() > kWindowBytes || !Load(at, text.size()))
        return false;
    const std::uint8_t* bytes = memory_ ? memory_ + at : window_.data() + (at - windowAt_);
    return std::memcmp(bytes, text.data(), text.size()) == 0;
}

std::optional<std::uint64_t> FileBytes::Find(std::string_view text, std::uint64_t from, std::uint64_t end)
{
    end = std::min(end, size_);
    // Windows overlap by the text's length, so a match across two is found.
    const std::size_t step = kWindowBytes - std::min(text.size(), kWindowBytes - 1);
    for (std::uint64_t at = from; at < end && text.size() <= end - at; at += step) {
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(kWindowBytes, end - at));
        if (!Load(at, count))
            return std::nullopt;
        const std::uint8_t* bytes = memory_ ? memory_ + at : window_.data() + (at - windowAt_);
        const std::string_view part(reinterpret_cast<const char*>(bytes), count);
        if (const std::size_t found = part.find(text); found != std::string_view::npos)
            return at + found;
    }
    return std::nullopt;
}

} // namespace velmora
