// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/JpegWriter.h"

#include "imaging/formats/FileBytes.h"
#include "imaging/formats/JpegBandEncoder.h"
#include "imaging/formats/JpegSegments.h"
#include "imaging/picture/Bitmap.h"
#include "imaging/threads/RowWorkers.h"
#include "imaging/threads/RunsInOrder.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <vector>

namespace velmora {
namespace {

// Rows of about this many bytes make one band: enough that a band's set-up
// costs little, small enough to keep every thread busy.
constexpr std::size_t kBandBytes = 1 << 20;
constexpr int kBlockRows = 8;                  // pixel rows in a row of blocks (one MCU row at 4:4:4)
constexpr int kLongestRestartInterval = 65535; // the DRI segment's field, in blocks
constexpr int kLargestSide = 65500;            // what libjpeg encodes
// Bands encoded but not yet written, per thread (as for PNG's runs).
constexpr int kWaitingBandsPerThread = 4;
constexpr std::uint8_t kMarker = 0xFF, kStartOfFrame = 0xC0, kStartOfScan = 0xDA, kFirstRestart = 0xD0,
                       kEndOfImage = 0xD9;
constexpr int kRestartMarkers = 8;
constexpr std::size_t kEndOfImageBytes = 2;

// How the picture is cut into bands: whole rows of blocks, the same number
// in every band but the last, each band one restart interval.
struct BandLayout {
    explicit BandLayout(FIBITMAP* bitmap)
        : width(Width(bitmap))
        , height(Height(bitmap))
    {
        const int blocksPerRow = (width + kBlockRows - 1) / kBlockRows;
        const std::size_t blockRowBytes = std::size_t{3} * static_cast<std::size_t>(width) * kBlockRows;
        const int blockRows = static_cast<int>(std::clamp<std::size_t>(
            kBandBytes / blockRowBytes, 1, static_cast<std::size_t>(kLongestRestartInterval / blocksPerRow)));
        rowsPerBand = blockRows * kBlockRows;
        bands = (height + rowsPerBand - 1) / rowsPerBand;
        restartInterval = blocksPerRow * blockRows;
    }

    int First(int band) const { return band * rowsPerBand; }
    int Last(int band) const { return std::min(height, First(band) + rowsPerBand); }

    int width, height;
    int rowsPerBand = 0;
    int bands = 0;
    int restartInterval = 0;
};

// The tables of the fewest bits for the whole picture, its bands counted on
// all threads; none when a band cannot be counted.
std::optional<JpegTables> PictureTables(FIBITMAP* bitmap, const BandLayout& layout, int quality, int threads)
{
    JpegSymbolCounts total;
    std::mutex totalMutex;
    std::atomic<bool> failed = false;
    ForRowBands(layout.bands, threads, [&](const RowBand& bands) {
        JpegBandEncoder encoder(bitmap, quality, layout.restartInterval);
        auto counts = std::make_unique<JpegSymbolCounts>();
        for (int band = bands.begin; band < bands.end && !failed; ++band)
            if (!encoder.Count(layout.First(band), layout.Last(band), *counts))
                failed = true;
        std::lock_guard lock(totalMutex);
        total += *counts;
    });
    if (failed)
        return std::nullopt;
    JpegTables tables;
    for (std::size_t t = 0; t < 2; ++t) {
        tables.dc[t] = OptimalHuffmanTable(total.dc[t]);
        tables.ac[t] = OptimalHuffmanTable(total.ac[t]);
    }
    return tables;
}

// A band encoded as a JPEG of its own, and where the part that goes into
// the file starts.
struct EncodedBand {
    std::vector<std::uint8_t> jpeg;
    std::size_t from = 0;
};

// Cuts a band's JPEG down to what the file takes from it: the first band's
// headers too, its height made the picture's; every band's entropy-coded
// data, followed by the next restart marker, or by the end of the image for
// the last band. False when the band's JPEG is not laid out as expected.
bool MakeJoinable(EncodedBand& band, int index, const BandLayout& layout)
{
    std::vector<std::uint8_t>& jpeg = band.jpeg;
    FileBytes bytes(jpeg.data(), jpeg.size());
    const auto scan = FindJpegSegment(bytes, kStartOfScan, "");
    if (!scan || jpeg.size() < scan->second + kEndOfImageBytes || jpeg[jpeg.size() - 2] != kMarker ||
        jpeg.back() != kEndOfImage)
        return false;
    band.from = scan->second;
    if (index == 0) {
        const auto frame = FindJpegSegment(bytes, kStartOfFrame, "");
        if (!frame)
            return false;
        jpeg[frame->first + 1] = static_cast<std::uint8_t>(layout.height >> 8); // after the sample precision
        jpeg[frame->first + 2] = static_cast<std::uint8_t>(layout.height);
        band.from = 0;
    }
    if (index + 1 < layout.bands) {
        jpeg[jpeg.size() - 2] = kMarker;
        jpeg[jpeg.size() - 1] = static_cast<std::uint8_t>(kFirstRestart + index % kRestartMarkers);
    }
    return true;
}

} // namespace

bool WriteJpeg(FIBITMAP* bitmap, int quality, FreeImageIO& io, fi_handle handle, int threads)
{
    try {
        const BandLayout layout(bitmap);
        if (layout.width <= 0 || layout.height <= 0 || layout.width > kLargestSide || layout.height > kLargestSide)
            return false;
        const std::optional<JpegTables> tables = PictureTables(bitmap, layout, quality, threads);
        if (!tables)
            return false;

        std::vector<EncodedBand> slots(static_cast<std::size_t>(kWaitingBandsPerThread * std::max(1, threads)));
        const auto newEncoder = [&]() -> EncodeOneRun {
            auto encoder = std::make_shared<JpegBandEncoder>(bitmap, quality, layout.restartInterval);
            return [&, encoder](int band, int slot) {
                EncodedBand& encoded = slots[static_cast<std::size_t>(slot)];
                return encoder->Encode(layout.First(band), layout.Last(band), *tables, encoded.jpeg) &&
                    MakeJoinable(encoded, band, layout);
            };
        };
        const auto write = [&](int, int slot) {
            const EncodedBand& encoded = slots[static_cast<std::size_t>(slot)];
            const auto size = static_cast<unsigned>(encoded.jpeg.size() - encoded.from);
            return io.write_proc(const_cast<std::uint8_t*>(encoded.jpeg.data() + encoded.from), 1, size, handle) ==
                size;
        };
        return EncodeRunsInOrder(layout.bands, threads, static_cast<int>(slots.size()), newEncoder, write);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace velmora
