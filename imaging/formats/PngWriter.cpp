// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/PngWriter.h"

#include "imaging/formats/PngFilters.h"
#include "imaging/picture/Bitmap.h"
#include "imaging/threads/RunsInOrder.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <utility>
#include <vector>

namespace velmora {
namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Rows of about this many bytes make one run: enough for the compressor to
// build good tables, small enough to keep every thread busy.
constexpr std::size_t kRunBytes = 1 << 20;
// The first bytes of a run decide how it is compressed: looking for repeats
// of the byte before only, or searching all of the last 32 KB for matches,
// which is slower but finds the patterns of drawings and fills.
constexpr std::size_t kSampleBytes = 1 << 15;
// A sample that repeats of the byte before alone shrink more than this many
// times over comes from a smooth picture.
constexpr std::size_t kSmoothShrink = 4;
constexpr std::size_t kChunkFraming = 12;      // length, type and CRC
// The quick search chooses the full one when it makes the sample no more
// than this much larger than repeats do (21/20: within 5%); further off, the
// run is a photograph, where repeats win at a fraction of the cost.
constexpr std::size_t kSearchWinsOver = 21, kSearchWinsUnder = 20;
// Places tried per match by the full search of grainy runs (see RunScratch).
constexpr int kGrainyMaxChain = 32;
// Runs encoded but not yet written, per thread: enough that a thread rarely
// waits for the writer, few enough that memory stays a few runs per thread.
constexpr int kWaitingRunsPerThread = 4;
// Raw deflate (no zlib header of its own: the first run writes the stream's)
// with the largest window, 32 KB, and zlib's default memory for its tables.
constexpr int kRawDeflateWindowBits = -15;
constexpr int kDeflateMemoryLevel = 9;
// What a run's output may need beyond deflateBound: the empty stored block
// that ends it on a byte boundary, and a little room.
constexpr std::size_t kSyncFlushBytes = 16;
// zlib's own lazy-matching figures of level 6, kept when only the number of
// places tried per match is capped.
constexpr int kGoodLength = 8, kMaxLazy = 16, kNiceLength = 128;
// The zlib stream's header, before the first run: deflate with a 32 KB
// window, no preset dictionary (the level bits are only a hint).
constexpr std::uint8_t kZlibHeader[] = {0x78, 0x01};

void PutBigEndian(std::uint8_t* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

// Frames `size` data bytes, which start 8 bytes into `chunk`, as a whole
// chunk: length, type, data and the CRC of type and data.
void FrameChunk(std::vector<std::uint8_t>& chunk, const char (&type)[5], std::size_t size)
{
    chunk.resize(size + kChunkFraming);
    PutBigEndian(chunk.data(), static_cast<std::uint32_t>(size));
    std::copy(type, type + 4, chunk.begin() + 4);
    const uLong crc = crc32(0, chunk.data() + 4, static_cast<uInt>(4 + size));
    PutBigEndian(chunk.data() + 8 + size, static_cast<std::uint32_t>(crc));
}

std::vector<std::uint8_t> Chunk(const char (&type)[5], const std::vector<std::uint8_t>& data)
{
    std::vector<std::uint8_t> chunk(8 + data.size());
    std::copy(data.begin(), data.end(), chunk.begin() + 8);
    FrameChunk(chunk, type, data.size());
    return chunk;
}

std::vector<std::uint8_t> BigEndian(std::initializer_list<std::uint32_t> values)
{
    std::vector<std::uint8_t> bytes(4 * values.size());
    std::uint8_t* at = bytes.data();
    for (std::uint32_t value : values)
        PutBigEndian(std::exchange(at, at + 4), value);
    return bytes;
}

std::vector<std::uint8_t> Header(FIBITMAP* bitmap)
{
    std::vector<std::uint8_t> out(kSignature, kSignature + sizeof kSignature);
    std::vector<std::uint8_t> header = BigEndian({FreeImage_GetWidth(bitmap), FreeImage_GetHeight(bitmap)});
    const std::uint8_t rest[] = {8, 2, 0, 0, 0}; // 8 bits per sample, RGB, deflate, adaptive filters, not interlaced
    header.insert(header.end(), rest, rest + sizeof rest);
    const std::vector<std::uint8_t> headerChunk = Chunk("IHDR", header);
    out.insert(out.end(), headerChunk.begin(), headerChunk.end());

    // The file holds whole numbers up to 2^31 - 1: a negative resolution
    // (which a picture's header may hold) is written as none.
    const auto valid = [](std::int32_t pixelsPerMetre) {
        return static_cast<std::uint32_t>(std::max(pixelsPerMetre, 0));
    };
    const BITMAPINFOHEADER* info = FreeImage_GetInfoHeader(bitmap);
    std::vector<std::uint8_t> resolution = BigEndian({valid(info->biXPelsPerMeter), valid(info->biYPelsPerMeter)});
    resolution.push_back(1); // the unit is the metre
    const std::vector<std::uint8_t> resolutionChunk = Chunk("pHYs", resolution);
    out.insert(out.end(), resolutionChunk.begin(), resolutionChunk.end());
    return out;
}

// A raw deflate compressor, reset for every run.
class Compressor {
public:
    // maxChain, when not 0, caps how many earlier places are tried for each
    // match, with the lazy matching of level 6 kept.
    Compressor(int level, int strategy, int maxChain = 0) : maxChain_(maxChain)
    {
        if (deflateInit2(&stream_, level, Z_DEFLATED, kRawDeflateWindowBits, kDeflateMemoryLevel, strategy) != Z_OK)
            throw std::bad_alloc();
    }
    ~Compressor() { deflateEnd(&stream_); }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    // Compresses `size` bytes into out from `at` on, resizing out to end
    // there. All but the last run end on a byte boundary with an empty stored
    // block, so that the next run's data can follow.
    bool Compress(const std::uint8_t* in, std::size_t size, bool lastRun, std::vector<std::uint8_t>& out,
                  std::size_t at)
    {
        if (deflateReset(&stream_) != Z_OK)
            return false;
        if (maxChain_ > 0 && deflateTune(&stream_, kGoodLength, kMaxLazy, kNiceLength, maxChain_) != Z_OK)
            return false;
        out.resize(at + deflateBound(&stream_, static_cast<uLong>(size)) + kSyncFlushBytes);
        stream_.next_in = const_cast<Bytef*>(in);
        stream_.avail_in = static_cast<uInt>(size);
        stream_.next_out = out.data() + at;
        stream_.avail_out = static_cast<uInt>(out.size() - at);
        const int result = deflate(&stream_, lastRun ? Z_FINISH : Z_SYNC_FLUSH);
        out.resize(at + stream_.total_out);
        return lastRun ? result == Z_STREAM_END : result == Z_OK && stream_.avail_in == 0;
    }

private:
    z_stream stream_{};
    int maxChain_;
};

// One run of rows as a whole IDAT chunk.
struct EncodedRun {
    std::vector<std::uint8_t> chunk;
    uLong adler = 1; // of the filtered bytes
    std::size_t filteredBytes = 0;
    bool encoded = false;
};

// What one worker keeps from run to run.
struct RunScratch {
    explicit RunScratch(std::size_t rowBytes) : filter(rowBytes), rgb(rowBytes), above(rowBytes) {}

    PngRowFilter filter;
    std::vector<std::uint8_t> rgb, above, filtered, trial;
    Compressor repeats{Z_DEFAULT_COMPRESSION, Z_RLE};
    // Grainy pictures whose channels repeat each other (grey anaglyphs)
    // offer a great many short matches: the default 128 places per match
    // costs them over twice the time for 3% of the size.
    Compressor fullSearch{Z_DEFAULT_COMPRESSION, Z_DEFAULT_STRATEGY, kGrainyMaxChain};
    // Smooth pictures (depth maps) offer long matches, which end a search
    // early: there the default number of places costs little and makes the
    // files a tenth smaller than 32 do.
    Compressor longSearch{Z_DEFAULT_COMPRESSION, Z_DEFAULT_STRATEGY};
    Compressor quickSearch{Z_BEST_SPEED, Z_DEFAULT_STRATEGY}; // for the sample
};

class RunEncoder {
public:
    explicit RunEncoder(FIBITMAP* bitmap)
        : bitmap_(bitmap), width_(static_cast<int>(FreeImage_GetWidth(bitmap))),
          height_(static_cast<int>(FreeImage_GetHeight(bitmap))), rowBytes_(3 * static_cast<std::size_t>(width_)),
          rowsPerRun_(static_cast<int>(std::max<std::size_t>(1, kRunBytes / (rowBytes_ + 1))))
    {
    }

    int Runs() const { return (height_ + rowsPerRun_ - 1) / rowsPerRun_; }
    std::size_t RowBytes() const { return rowBytes_; }

    void Encode(int run, RunScratch& scratch, EncodedRun& encoded) const
    {
        const int first = run * rowsPerRun_, last = std::min(height_, first + rowsPerRun_);
        std::vector<std::uint8_t>& filtered = scratch.filtered;
        filtered.resize((last - first) * (rowBytes_ + 1));
        if (first > 0)
            ReadRow(first - 1, scratch.above.data());
        else
            std::fill(scratch.above.begin(), scratch.above.end(), 0);
        for (int y = first; y < last; ++y) {
            ReadRow(y, scratch.rgb.data());
            scratch.filter.Filter(scratch.rgb.data(), scratch.above.data(), &filtered[(y - first) * (rowBytes_ + 1)]);
            std::swap(scratch.rgb, scratch.above);
        }
        encoded.filteredBytes = filtered.size();
        encoded.adler = adler32(1, filtered.data(), static_cast<uInt>(filtered.size()));

        // The chunk's data starts after its length and type, the first run's
        // with the zlib header.
        std::vector<std::uint8_t>& chunk = encoded.chunk;
        chunk.assign({0, 0, 0, 0, 0, 0, 0, 0});
        if (run == 0)
            chunk.insert(chunk.end(), std::begin(kZlibHeader), std::end(kZlibHeader));
        const std::size_t start = chunk.size();
        encoded.encoded = BetterCompressor(scratch, filtered).Compress(filtered.data(), filtered.size(),
                                                                 last == height_, chunk, start);
        FrameChunk(chunk, "IDAT", chunk.size() - 8);
    }

private:
    // The compressor for the run. On photographs a quick search for matches
    // does clearly worse than repeats of the byte before, and a full search
    // no better at several times the cost; where the quick search keeps up,
    // the full one finds the patterns that repeats miss. Where repeats alone
    // shrink the sample many times over, the picture is smooth, and a quick
    // search misses what a long one finds.
    static Compressor& BetterCompressor(RunScratch& scratch, const std::vector<std::uint8_t>& filtered)
    {
        const std::size_t sample = std::min(filtered.size(), kSampleBytes);
        std::vector<std::uint8_t>& trial = scratch.trial;
        const auto byRepeats = [&](std::size_t at) -> std::optional<std::size_t> {
            if (!scratch.repeats.Compress(filtered.data() + at, sample, false, trial, 0))
                return std::nullopt;
            return trial.size();
        };
        const std::optional<std::size_t> start = byRepeats(0);
        if (!start)
            return scratch.repeats;
        // A run may start smooth (a sky, a border) and go on grainy, where
        // a long search costs twice the time: its middle must be smooth too.
        if (*start * kSmoothShrink < sample) {
            const std::optional<std::size_t> middle = byRepeats((filtered.size() - sample) / 2);
            if (middle && *middle * kSmoothShrink < sample)
                return scratch.longSearch;
        }
        if (!scratch.quickSearch.Compress(filtered.data(), sample, false, trial, 0))
            return scratch.repeats;
        return trial.size() * kSearchWinsUnder < *start * kSearchWinsOver ? scratch.fullSearch : scratch.repeats;
    }

    // Row y from the top, its bytes in the file's order: red, green, blue.
    void ReadRow(int y, std::uint8_t* out) const
    {
        const std::uint8_t* pixel = RowAt(bitmap_, height_ - 1 - y);
        for (int x = 0; x < width_; ++x, pixel += 3, out += 3) {
            out[0] = pixel[FI_RGBA_RED];
            out[1] = pixel[FI_RGBA_GREEN];
            out[2] = pixel[FI_RGBA_BLUE];
        }
    }

    FIBITMAP* bitmap_;
    int width_, height_;
    std::size_t rowBytes_;
    int rowsPerRun_;
};

bool WriteAll(FreeImageIO& io, fi_handle handle, const std::vector<std::uint8_t>& bytes)
{
    const auto size = static_cast<unsigned>(bytes.size());
    return io.write_proc(const_cast<std::uint8_t*>(bytes.data()), 1, size, handle) == size;
}

} // namespace

bool WritePng(FIBITMAP* bitmap, FreeImageIO& io, fi_handle handle, int threads)
{
    try {
        const RunEncoder encoder(bitmap);
        if (!WriteAll(io, handle, Header(bitmap)))
            return false;

        // Runs are encoded on all threads and written in order as they come.
        std::vector<EncodedRun> slots(static_cast<std::size_t>(kWaitingRunsPerThread * std::max(1, threads)));
        const auto newEncoder = [&]() -> EncodeOneRun {
            auto scratch = std::make_shared<RunScratch>(encoder.RowBytes());
            return [&, scratch](int run, int slot) {
                encoder.Encode(run, *scratch, slots[static_cast<std::size_t>(slot)]);
                return slots[static_cast<std::size_t>(slot)].encoded;
            };
        };
        uLong adler = 1; // of the written runs' filtered bytes
        const auto write = [&](int, int slot) {
            const EncodedRun& encoded = slots[static_cast<std::size_t>(slot)];
            if (!WriteAll(io, handle, encoded.chunk))
                return false;
            adler = adler32_combine(adler, encoded.adler, static_cast<z_off_t>(encoded.filteredBytes));
            return true;
        };
        if (!EncodeRunsInOrder(encoder.Runs(), threads, static_cast<int>(slots.size()), newEncoder, write))
            return false;

        std::vector<std::uint8_t> ending = Chunk("IDAT", BigEndian({static_cast<std::uint32_t>(adler)}));
        const std::vector<std::uint8_t> end = Chunk("IEND", {});
        ending.insert(ending.end(), end.begin(), end.end());
        return WriteAll(io, handle, ending);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace velmora
