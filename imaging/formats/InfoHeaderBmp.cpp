// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/InfoHeaderBmp.h"

#include "imaging/formats/BmpLayout.h"
#include "imaging/formats/LittleEndian.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace velmora {
namespace {

InfoHeaderBmp& Bmp(fi_handle handle)
{
    return *static_cast<InfoHeaderBmp*>(handle);
}

} // namespace

std::optional<InfoHeaderBmp> InfoHeaderBmp::Of(FILE* stream, const BmpHeader& bmp, std::uint64_t fileSize)
{
    const std::uint32_t headerSize = bmp.headerSize;
    const std::uint32_t pixelsAt = bmp.pixelsAt;
    if (!bmp.signature || bmp.bytesRead < bmp::kStartBytes || !bmp::IsLaterHeader(headerSize) ||
        pixelsAt < bmp::kFileHeaderBytes + headerSize || pixelsAt > fileSize)
        return std::nullopt;

    unsigned char headers[bmp::kStartBytes];
    std::memcpy(headers, bmp.bytes, sizeof headers);
    const bool masks = bmp.compression == bmp::kBitFields;
    const std::uint32_t startBytes = bmp::kInfoEnd + (masks ? bmp::kMaskBytes : 0);
    const std::uint64_t shift = bmp::kFileHeaderBytes + headerSize - startBytes;
    SetLittleEndianField(headers, bmp::kFileSize, 4, static_cast<std::uint32_t>(fileSize - shift));
    SetLittleEndianField(headers, bmp::kPixelsAt, 4, static_cast<std::uint32_t>(pixelsAt - shift));
    SetLittleEndianField(headers, bmp::kHeaderSize, 4, bmp::kInfoHeaderBytes);
    std::string start(reinterpret_cast<const char*>(headers), startBytes);
    return InfoHeaderBmp(stream, std::move(start), shift, fileSize - shift);
}

InfoHeaderBmp::InfoHeaderBmp(FILE* stream, std::string start, std::uint64_t shift, std::uint64_t size)
    : stream_(stream), start_(std::move(start)), shift_(shift), size_(size)
{
}

fi_handle InfoHeaderBmp::Handle()
{
    position_ = 0;
    streamAt_ = kUnknown; // others read the stream in between
    return this;
}

FreeImageIO InfoHeaderBmp::IO()
{
    FreeImageIO io{};
    io.read_proc = [](void* bytes, unsigned size, unsigned count, fi_handle handle) {
        return Bmp(handle).Read(bytes, size, count);
    };
    io.write_proc = [](void*, unsigned, unsigned, fi_handle) -> unsigned { return 0; };
    io.seek_proc = [](fi_handle handle, long offset, int origin) { return Bmp(handle).Seek(offset, origin); };
    io.tell_proc = [](fi_handle handle) { return static_cast<long>(Bmp(handle).position_); };
    return io;
}

unsigned InfoHeaderBmp::Read(void* bytes, unsigned size, unsigned count)
{
    if (size == 0 || count == 0)
        return 0;
    const std::uint64_t wanted = static_cast<std::uint64_t>(size) * count;
    auto* out = static_cast<unsigned char*>(bytes);
    std::uint64_t got = 0;
    if (position_ < start_.size()) {
        got = std::min<std::uint64_t>(wanted, start_.size() - position_);
        std::memcpy(out, start_.data() + position_, got);
    }
    if (got < wanted) {
        // The library reads on from where it stopped, row after row; seeking
        // only when it does not keeps the stream's buffer.
        const std::uint64_t from = position_ + got + shift_;
        const bool there = from == streamAt_ || std::fseek(stream_, static_cast<long>(from), SEEK_SET) == 0;
        streamAt_ = kUnknown; // after a short read, wherever the stream stopped
        if (there) {
            const std::uint64_t asked = wanted - got;
            const std::size_t read = std::fread(out + got, 1, asked, stream_);
            got += read;
            if (read == asked)
                streamAt_ = from + read;
        }
    }
    position_ += got;
    return static_cast<unsigned>(got / size);
}

int InfoHeaderBmp::Seek(long offset, int origin)
{
    std::uint64_t base = 0;
    if (origin == SEEK_CUR)
        base = position_;
    else if (origin == SEEK_END)
        base = size_;
    else if (origin != SEEK_SET)
        return -1;
    const std::uint64_t magnitude = offset < 0 ? 0 - static_cast<std::uint64_t>(offset) : offset;
    if (offset < 0 ? magnitude > base : magnitude > INT64_MAX - base)
        return -1;
    position_ = offset < 0 ? base - magnitude : base + magnitude;
    return 0;
}

} // namespace velmora
