// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <FreeImage.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace velmora {

// Reads `count` bytes at `offset` of the file open as `descriptor`; false
// when the file ends first or a read fails.
bool ReadFully(int descriptor, std::uint8_t* bytes, std::uint64_t count, std::uint64_t offset);

// FreeImage's I/O over a stdio stream opened for reading.
FreeImageIO ReadingIO();

// A file being written through FreeImage's handle I/O, with every system
// call checked. The plugins ignore the results of their writes, so a full
// disk would otherwise pass for success: here the first failure is kept
// (errno) and later writes are refused. Writes are buffered; seeks and
// reads (libtiff uses both) see the file as written so far.
class CheckedWriter {
public:
    explicit CheckedWriter(int descriptor);

    static FreeImageIO IO();
    fi_handle Handle() { return this; }

    // Writes out what is buffered; false once anything failed.
    bool Flush();
    // The errno of the first failure, 0 when none.
    int Error() const { return error_; }

private:
    unsigned Write(const void* bytes, unsigned size, unsigned count);
    bool WriteOut(const std::uint8_t* bytes, std::size_t count, std::uint64_t offset);
    unsigned Read(void* bytes, unsigned size, unsigned count);
    int Seek(long offset, int origin);
    long Tell() const { return static_cast<long>(position_); }
    void Fail(int error);

    int descriptor_;
    std::vector<std::uint8_t> buffer_; // the bytes from bufferStart_ on, not yet written
    std::uint64_t bufferStart_ = 0;
    std::uint64_t position_ = 0;
    std::uint64_t end_ = 0;            // the file's length so far, buffer included
    int error_ = 0;
};

} // namespace velmora
