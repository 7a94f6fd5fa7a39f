// SPDX-License-Identifier: GPL-3.0-or-later

// The program's own BMP readers on the input as a file: the header, the
// cut-short check, the plain 24-bit reader and its one-channel twin, and the
// later headers seen as the info header through FreeImage's I/O, read and
// sought all over.

#include "imaging/formats/BmpHeader.h"
#include "imaging/formats/BmpLayout.h"
#include "imaging/formats/DamageChecks.h"
#include "imaging/formats/InfoHeaderBmp.h"
#include "imaging/formats/PlainBmpReader.h"

#include "tests/fuzz/FuzzSupport.h"

#include <FreeImage.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using velmora::fuzz::Require;

// Larger pixels only cost time: reading them is the same at any size.
constexpr std::uint64_t kMostPixelBytes = 4 * 1024 * 1024;

struct StreamCloser {
    void operator()(FILE* stream) const noexcept { std::fclose(stream); }
};

// A file long enough for its pixels is read whole, and one that is not, never;
// a channel read alone is that byte of the pixels read whole.
void ReadPlain(int descriptor, const velmora::BmpHeader& header, std::uint64_t fileSize, int channel)
{
    const auto plain = velmora::PlainBmpOf(header);
    if (!plain || plain->RowBytes() * plain->Rows() > kMostPixelBytes)
        return;
    const velmora::Bitmap bitmap = velmora::ReadPlainBmp(descriptor, *plain);
    Require(bool(bitmap) != velmora::IsTruncatedBmp(header, fileSize),
            "the plain reader disagrees with the cut-short check");
    const velmora::BytePlane plane = velmora::ReadPlainBmpChannel(descriptor, *plain, channel);
    Require(bool(plane) == bool(bitmap), "the channel reader disagrees with the plain reader");
    for (int y = 0; plane && y < plane.Height(); ++y)
        for (int x = 0; x < plane.Width(); ++x)
            Require(plane.Row(y)[x] == velmora::PixelAt(bitmap.get(), x, y)[channel],
                    "the channel reader read another byte");
}

// The file as the library would read it: its length, every byte in pieces of
// the size the input's last byte gives, and seeks from every origin. What
// follows the rewritten headers is the file's own bytes, moved by the room
// the later header took.
void ReadThrough(velmora::InfoHeaderBmp& bmp, const std::uint8_t* data, std::size_t size)
{
    FreeImageIO io = velmora::InfoHeaderBmp::IO();
    fi_handle handle = bmp.Handle();
    Require(io.seek_proc(handle, 0, SEEK_END) == 0, "no seek to the end");
    const long seen = io.tell_proc(handle);
    Require(seen >= 0 && static_cast<std::uint64_t>(seen) <= size, "the file seen is longer than the file");
    const std::uint64_t shift = size - static_cast<std::uint64_t>(seen);

    Require(io.seek_proc(handle, 0, SEEK_SET) == 0, "no seek to the start");
    const unsigned piece = 1 + data[size - 1] % 61;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(seen) + piece);
    std::size_t got = 0;
    for (unsigned read = piece; read == piece && got < bytes.size() - piece; got += read)
        read = io.read_proc(bytes.data() + got, 1, piece, handle);
    Require(got == static_cast<std::size_t>(seen), "the whole file is not read");
    for (std::size_t at = velmora::bmp::kStartBytes; at < got; ++at)
        Require(bytes[at] == data[at + shift], "a byte after the headers is not the file's");

    // Back one byte and read it again; past the end nothing is read.
    if (got > 0) {
        std::uint8_t byte = 0;
        Require(io.seek_proc(handle, -1, SEEK_CUR) == 0 && io.read_proc(&byte, 1, 1, handle) == 1 &&
                    byte == bytes[got - 1],
                "the last byte reads otherwise the second time");
    }
    Require(io.seek_proc(handle, 7, SEEK_END) == 0 && io.read_proc(bytes.data(), 1, 1, handle) == 0,
            "a byte is read past the end");
    Require(io.seek_proc(handle, -1, SEEK_SET) != 0, "a seek before the start succeeds");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static velmora::fuzz::MemoryFile file;
    file.Hold(data, size);
    const auto header = velmora::ReadBmpHeader(file.Descriptor());
    if (!header)
        return 0;
    ReadPlain(file.Descriptor(), *header, size, size > 0 ? data[size - 1] % 3 : 0);

    const std::unique_ptr<FILE, StreamCloser> stream(std::fopen(file.Path().c_str(), "rb"));
    Require(stream != nullptr, "the input file cannot be opened");
    if (auto later = velmora::InfoHeaderBmp::Of(stream.get(), *header, size))
        ReadThrough(*later, data, size);
    return 0;
}
