// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace velmora {

// A picture file's bytes, read where they are needed: every read is checked
// against the file's size, and a block far on is reached by reading there,
// not by reading all that lies before it, so a large comment or box costs
// nothing. Reads go through a window of kWindowBytes kept from the last one.
// Reads that fail count as the file ending there.
class FileBytes {
public:
    FileBytes(int descriptor, std::uint64_t size);
    // Bytes in memory, for tests and fuzzing.
    FileBytes(const std::uint8_t* bytes, std::size_t size);

    std::uint64_t Size() const { return size_; }
    bool Has(std::uint64_t offset, std::uint64_t count) const { return offset <= size_ && count <= size_ - offset; }
    std::optional<std::uint32_t> Byte(std::uint64_t at);
    std::optional<std::uint32_t> Little16(std::uint64_t at) { return Number(at, 2, false); }
    std::optional<std::uint32_t> Big16(std::uint64_t at) { return Number(at, 2, true); }
    std::optional<std::uint32_t> Little32(std::uint64_t at) { return Number(at, 4, false); }
    std::optional<std::uint32_t> Big32(std::uint64_t at) { return Number(at, 4, true); }
    std::optional<std::uint64_t> Big64(std::uint64_t at);
    bool Matches(std::uint64_t at, std::string_view text);
    // The first offset from `from` on, before `end`, where `text` stands.
    std::optional<std::uint64_t> Find(std::string_view text, std::uint64_t from, std::uint64_t end);

    static constexpr std::size_t kWindowBytes = 64 * 1024;

private:
    std::optional<std::uint32_t> Number(std::uint64_t at, int count, bool bigEndian);
    // Makes the window hold [at, at + count) where the file has it; false
    // when it does not. count is at most kWindowBytes.
    bool Load(std::uint64_t at, std::size_t count);

    int descriptor_ = -1;
    const std::uint8_t* memory_ = nullptr;
    std::uint64_t size_;
    std::vector<std::uint8_t> window_;
    std::uint64_t windowAt_ = 0;
};

} // namespace velmora
