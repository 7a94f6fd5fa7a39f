// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/files/FileHandles.h"

#include "imaging/files/SystemCalls.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace velmora {
namespace {

constexpr std::size_t kBufferBytes = 1 << 20;

FILE* Stream(fi_handle handle)
{
    return static_cast<FILE*>(handle);
}

CheckedWriter& Writer(fi_handle handle)
{
    return *static_cast<CheckedWriter*>(handle);
}

} // namespace

bool ReadFully(int descriptor, std::uint8_t* bytes, std::uint64_t count, std::uint64_t offset)
{
    while (count > 0) {
        const ssize_t got = pread(descriptor, bytes, count, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        bytes += got;
        count -= static_cast<std::uint64_t>(got);
        offset += static_cast<std::uint64_t>(got);
    }
    return true;
}

FreeImageIO ReadingIO()
{
    FreeImageIO io{};
    io.read_proc = [](void* bytes, unsigned size, unsigned count, fi_handle handle) -> unsigned {
        return static_cast<unsigned>(std::fread(bytes, size, count, Stream(handle)));
    };
    io.write_proc = [](void*, unsigned, unsigned, fi_handle) -> unsigned { return 0; };
    io.seek_proc = [](fi_handle handle, long offset, int origin) { return std::fseek(Stream(handle), offset, origin); };
    io.tell_proc = [](fi_handle handle) { return std::ftell(Stream(handle)); };
    return io;
}

CheckedWriter::CheckedWriter(int descriptor) : descriptor_(descriptor)
{
    buffer_.reserve(kBufferBytes);
}

FreeImageIO CheckedWriter::IO()
{
    FreeImageIO io{};
    io.read_proc = [](void* bytes, unsigned size, unsigned count, fi_handle handle) {
        return Writer(handle).Read(bytes, size, count);
    };
    io.write_proc = [](void* bytes, unsigned size, unsigned count, fi_handle handle) {
        return Writer(handle).Write(bytes, size, count);
    };
    io.seek_proc = [](fi_handle handle, long offset, int origin) { return Writer(handle).Seek(offset, origin); };
    io.tell_proc = [](fi_handle handle) { return Writer(handle).Tell(); };
    return io;
}

void CheckedWriter::Fail(int error)
{
    if (error_ == 0)
        error_ = error != 0 ? error : EIO;
}

bool CheckedWriter::WriteOut(const std::uint8_t* bytes, std::size_t count, std::uint64_t offset)
{
    while (count > 0 && error_ == 0) {
        const ssize_t written = ActiveSystemCalls().pwrite(descriptor_, bytes, count, static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            Fail(written < 0 ? errno : ENOSPC);
            break;
        }
        bytes += written;
        count -= static_cast<std::size_t>(written);
        offset += static_cast<std::uint64_t>(written);
    }
    return error_ == 0;
}

bool CheckedWriter::Flush()
{
    WriteOut(buffer_.data(), buffer_.size(), bufferStart_);
    buffer_.clear();
    bufferStart_ = position_;
    return error_ == 0;
}

unsigned CheckedWriter::Write(const void* bytes, unsigned size, unsigned count)
{
    const std::uint64_t total = std::uint64_t{size} * count;
    if (error_ != 0 || total == 0)
        return 0;
    if ((position_ != bufferStart_ + buffer_.size() || buffer_.size() + total > kBufferBytes) && !Flush())
        return 0;
    const auto* first = static_cast<const std::uint8_t*>(bytes);
    if (total >= kBufferBytes) {
        // A whole block of pixels at once: written from where it is.
        if (!WriteOut(first, total, position_))
            return 0;
        position_ += total;
        bufferStart_ = position_;
    } else {
        buffer_.insert(buffer_.end(), first, first + total);
        position_ += total;
    }
    end_ = std::max(end_, position_);
    return count;
}

unsigned CheckedWriter::Read(void* bytes, unsigned size, unsigned count)
{
    if (size == 0 || !Flush())
        return 0;
    const ssize_t got = pread(descriptor_, bytes, std::size_t{size} * count, static_cast<off_t>(position_));
    if (got <= 0)
        return 0;
    position_ += static_cast<std::uint64_t>(got);
    bufferStart_ = position_;
    return static_cast<unsigned>(static_cast<std::uint64_t>(got) / size);
}

int CheckedWriter::Seek(long offset, int origin)
{
    const std::int64_t base = origin == SEEK_SET ? 0
                              : origin == SEEK_CUR ? static_cast<std::int64_t>(position_)
                                                   : static_cast<std::int64_t>(end_);
    const std::int64_t target = base + offset;
    if (target < 0 || (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END))
        return -1;
    if (static_cast<std::uint64_t>(target) == position_)
        return 0;
    if (!Flush())
        return -1;
    position_ = static_cast<std::uint64_t>(target);
    bufferStart_ = position_;
    return 0;
}

} // namespace velmora
