// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/formats/JpegHuffman.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include <FreeImage.h>

namespace velmora {

// The Huffman tables of a JPEG: the luminance's and the chrominance's.
struct JpegTables {
    std::array<HuffmanTable, 2> dc;
    std::array<HuffmanTable, 2> ac;
};

// Encodes bands of a 24-bit bitmap's rows with libjpeg, each as a JPEG of its
// own: baseline, YCbCr with every channel at full resolution (4:4:4), the
// bitmap's resolution in a JFIF segment. Each band starts as a JPEG does,
// its DC predictions at 0, which is also where a restart marker puts them:
// so bands of whole rows of 8 x 8 blocks, their headers cut off, join into
// one picture with a restart marker between them. One encoder per thread;
// failures (running out of memory) are returned as false, never thrown.
class JpegBandEncoder {
public:
    // quality is taken to 1..100; restartInterval (in blocks, 0 for none) is
    // what the header says, no restart falling inside a band.
    JpegBandEncoder(FIBITMAP* bitmap, int quality, int restartInterval);
    ~JpegBandEncoder();
    JpegBandEncoder(const JpegBandEncoder&) = delete;
    JpegBandEncoder& operator=(const JpegBandEncoder&) = delete;

    // Adds to counts the Huffman symbols that rows first .. last - 1 (from
    // the top) make.
    bool Count(int first, int last, JpegSymbolCounts& counts);

    // Encodes rows first .. last - 1 into out as a whole JPEG with these
    // tables.
    bool Encode(int first, int last, const JpegTables& tables, std::vector<std::uint8_t>& out);

private:
    struct Compressor;
    std::unique_ptr<Compressor> compressor_;
};

} // namespace velmora
