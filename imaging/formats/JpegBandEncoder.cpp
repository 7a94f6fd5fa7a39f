// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/JpegBandEncoder.h"

#include "imaging/picture/Bitmap.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <jerror.h>
#include <jpeglib.h>
extern "C" {
#include <jpegint.h> // the entropy coder's interface, to count symbols instead
}

namespace velmora {
namespace {

// The bitmap's bytes in their order in memory, which libjpeg reads as they are.
constexpr J_COLOR_SPACE kBitmapOrder = FI_RGBA_RED == 2 ? JCS_EXT_BGR : JCS_EXT_RGB;
constexpr double kMetresPerInch = 0.0254;
constexpr int kInches = 1; // JFIF density units
// Room for a band's output at first; it grows as needed, and keeps its size
// for the next band.
constexpr std::size_t kFirstOutputBytes = 1 << 16;
constexpr int kZeroRunSymbol = 0xF0, kEndOfBlockSymbol = 0x00, kLongestZeroRun = 15;

// libjpeg ends an encoding that fails by jumping back to where it started:
// it is C, which no exception may cross.
struct ErrorJump {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void JumpBack(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->jump, 1); }

void SayNothing(j_common_ptr) { }

// Output into a vector that grows as needed; without one (when only
// counting), into scratch bytes written over and over.
struct VectorDestination {
    jpeg_destination_mgr manager;
    std::vector<std::uint8_t>* out = nullptr;
    std::vector<std::uint8_t> scratch;

    static VectorDestination& Of(j_compress_ptr info) { return *reinterpret_cast<VectorDestination*>(info->dest); }
    std::vector<std::uint8_t>& Bytes() { return out != nullptr ? *out : scratch; }
};

// Makes bytes `size` long, or fails the encoding as out of memory.
void Resize(j_compress_ptr info, std::vector<std::uint8_t>& bytes, std::size_t size)
{
    bool resized = true;
    try {
        bytes.resize(size);
    } catch (const std::bad_alloc&) {
        resized = false;
    }
    if (!resized)
        ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
}

void StartOutput(j_compress_ptr info)
{
    std::vector<std::uint8_t>& bytes = VectorDestination::Of(info).Bytes();
    Resize(info, bytes, std::max(bytes.capacity(), kFirstOutputBytes));
    info->dest->next_output_byte = bytes.data();
    info->dest->free_in_buffer = bytes.size();
}

boolean MoreOutput(j_compress_ptr info)
{
    VectorDestination& destination = VectorDestination::Of(info);
    std::vector<std::uint8_t>& bytes = destination.Bytes();
    const std::size_t full = destination.out != nullptr ? bytes.size() : 0;
    if (full > 0)
        Resize(info, bytes, 2 * full);
    info->dest->next_output_byte = bytes.data() + full;
    info->dest->free_in_buffer = bytes.size() - full;
    return TRUE;
}

void EndOutput(j_compress_ptr info)
{
    std::vector<std::uint8_t>& bytes = VectorDestination::Of(info).Bytes();
    bytes.resize(bytes.size() - info->dest->free_in_buffer);
}

// An entropy coder that only counts the symbols the blocks make, as the
// Huffman coder would code them.
struct CountingEntropy {
    jpeg_entropy_encoder module;
    JpegSymbolCounts* counts = nullptr;
    int lastDc[MAX_COMPS_IN_SCAN] = {};

    static CountingEntropy& Of(j_compress_ptr info) { return *reinterpret_cast<CountingEntropy*>(info->entropy); }
};

// The bits that `value`'s magnitude takes: its Huffman symbol's size.
int Magnitude(int value) { return std::bit_width(static_cast<unsigned>(std::abs(value))); }

// Bit n set where coefficient n of the block, in its natural order, is not
// 0. A photograph's blocks are mostly zeros, which this finds without a
// branch for each.
std::uint64_t NonzeroCoefficients(const JCOEF* block)
{
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    std::uint64_t zeros = 0;
    for (int i = 0; i < DCTSIZE2 / 16; ++i) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * i));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * i + 8));
        const __m128i packed = _mm_packs_epi16(_mm_cmpeq_epi16(low, zero), _mm_cmpeq_epi16(high, zero));
        zeros |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(packed))} << (16 * i);
    }
    return ~zeros;
#else
    std::uint64_t nonzero = 0;
    for (int n = 0; n < DCTSIZE2; ++n)
        nonzero |= std::uint64_t{block[n] != 0} << n;
    return nonzero;
#endif
}

// The AC coefficients' bits of a natural-order mask, moved to their places in
// the order they are coded in.
std::uint64_t InZigzagOrder(std::uint64_t natural)
{
    static const std::array<int, DCTSIZE2> kZigzagOf = [] {
        std::array<int, DCTSIZE2> zigzag{};
        for (int k = 0; k < DCTSIZE2; ++k)
            zigzag[static_cast<std::size_t>(jpeg_natural_order[k])] = k;
        return zigzag;
    }();
    std::uint64_t zigzag = 0;
    for (std::uint64_t rest = natural & ~std::uint64_t{1}; rest != 0; rest &= rest - 1)
        zigzag |= std::uint64_t{1} << kZigzagOf[static_cast<std::size_t>(std::countr_zero(rest))];
    return zigzag;
}

boolean CountBlocks(j_compress_ptr info, JBLOCKROW* blocks)
{
    CountingEntropy& entropy = CountingEntropy::Of(info);
    for (int b = 0; b < info->blocks_in_MCU; ++b) {
        const int component = info->MCU_membership[b];
        const jpeg_component_info& tables = *info->cur_comp_info[component];
        const JCOEF* block = blocks[b][0];
        ++entropy.counts->dc[tables.dc_tbl_no][Magnitude(block[0] - entropy.lastDc[component])];
        entropy.lastDc[component] = block[0];

        const std::uint64_t nonzero = InZigzagOrder(NonzeroCoefficients(block));
        SymbolCounts& ac = entropy.counts->ac[tables.ac_tbl_no];
        int last = 0;
        for (std::uint64_t rest = nonzero; rest != 0; rest &= rest - 1) {
            const int k = std::countr_zero(rest);
            int zeros = k - last - 1;
            for (; zeros > kLongestZeroRun; zeros -= kLongestZeroRun + 1)
                ++ac[kZeroRunSymbol];
            ++ac[(zeros << 4) + std::min(Magnitude(block[jpeg_natural_order[k]]), kLongestZeroRun)];
            last = k;
        }
        if (last < DCTSIZE2 - 1)
            ++ac[kEndOfBlockSymbol];
    }
    return TRUE;
}

void NothingToFinish(j_compress_ptr) { }

// JFIF's density in dots per inch from the bitmap's pixels per metre, as the
// image library writes it; 0 for none.
UINT16 DotsPerInch(std::int32_t pixelsPerMetre)
{
    return static_cast<UINT16>(std::clamp(std::lround(pixelsPerMetre * kMetresPerInch), 0L, 65535L));
}

void CopyTable(const HuffmanTable& from, JHUFF_TBL& to)
{
    std::copy(from.bits.begin(), from.bits.end(), to.bits);
    std::copy_n(from.values.begin(), std::min<std::size_t>(from.values.size(), 256), to.huffval);
}

} // namespace

struct JpegBandEncoder::Compressor {
    FIBITMAP* bitmap;
    int quality;
    int restartInterval;
    jpeg_compress_struct info{};
    ErrorJump errors{};
    VectorDestination destination{};
    CountingEntropy counting{};
    std::vector<JSAMPROW> rows;
    bool created = false;

    ~Compressor()
    {
        if (created)
            jpeg_destroy_compress(&info);
    }

    // Points rows at the band's rows; false when memory runs out.
    bool TakeRows(int first, int last)
    {
        try {
            rows.resize(static_cast<std::size_t>(last - first));
        } catch (const std::bad_alloc&) {
            return false;
        }
        const int height = Height(bitmap);
        for (int y = first; y < last; ++y)
            rows[static_cast<std::size_t>(y - first)] = RowAt(bitmap, height - 1 - y);
        return true;
    }

    // The rest runs only below a setjmp that comes back on failure.
    void CreateOnce()
    {
        if (created)
            return;
        info.err = jpeg_std_error(&errors.manager);
        errors.manager.error_exit = JumpBack;
        errors.manager.output_message = SayNothing;
        created = true;
        jpeg_create_compress(&info);
        destination.manager.init_destination = StartOutput;
        destination.manager.empty_output_buffer = MoreOutput;
        destination.manager.term_destination = EndOutput;
        info.dest = &destination.manager;

        info.image_width = static_cast<JDIMENSION>(Width(bitmap));
        info.input_components = 3;
        info.in_color_space = kBitmapOrder;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, std::clamp(quality, 1, 100), TRUE);
        for (int c = 0; c < info.num_components; ++c)
            info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
        info.restart_interval = static_cast<unsigned>(restartInterval);
        const BITMAPINFOHEADER* header = FreeImage_GetInfoHeader(bitmap);
        const UINT16 across = DotsPerInch(header->biXPelsPerMeter), down = DotsPerInch(header->biYPelsPerMeter);
        if (across > 0 || down > 0) {
            info.density_unit = kInches;
            info.X_density = across;
            info.Y_density = down;
        }
    }

    void Compress(int rowCount, bool counting)
    {
        info.image_height = static_cast<JDIMENSION>(rowCount);
        jpeg_start_compress(&info, TRUE);
        if (counting) {
            this->counting.module = {nullptr, CountBlocks, NothingToFinish};
            std::fill(std::begin(this->counting.lastDc), std::end(this->counting.lastDc), 0);
            info.entropy = &this->counting.module;
        }
        while (info.next_scanline < info.image_height)
            jpeg_write_scanlines(&info, rows.data() + info.next_scanline, info.image_height - info.next_scanline);
        jpeg_finish_compress(&info);
    }

    void Abort()
    {
        if (created)
            jpeg_abort_compress(&info);
    }
};

JpegBandEncoder::JpegBandEncoder(FIBITMAP* bitmap, int quality, int restartInterval)
    : compressor_(std::make_unique<Compressor>())
{
    compressor_->bitmap = bitmap;
    compressor_->quality = quality;
    compressor_->restartInterval = restartInterval;
}

JpegBandEncoder::~JpegBandEncoder() = default;

bool JpegBandEncoder::Count(int first, int last, JpegSymbolCounts& counts)
{
    Compressor& c = *compressor_;
    if (!c.TakeRows(first, last))
        return false;
    c.destination.out = nullptr;
    c.counting.counts = &counts;
    if (setjmp(c.errors.jump) != 0) {
        c.Abort();
        return false;
    }
    c.CreateOnce();
    c.Compress(last - first, true);
    return true;
}

bool JpegBandEncoder::Encode(int first, int last, const JpegTables& tables, std::vector<std::uint8_t>& out)
{
    Compressor& c = *compressor_;
    if (!c.TakeRows(first, last))
        return false;
    c.destination.out = &out;
    if (setjmp(c.errors.jump) != 0) {
        c.Abort();
        return false;
    }
    c.CreateOnce();
    for (int t = 0; t < 2; ++t) {
        CopyTable(tables.dc[t], *c.info.dc_huff_tbl_ptrs[t]);
        CopyTable(tables.ac[t], *c.info.ac_huff_tbl_ptrs[t]);
    }
    c.Compress(last - first, false);
    return true;
}

} // namespace velmora
