// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/support/PhoneJpegs.h"

#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace velmora::test {
namespace {

struct MemoryCloser {
    void operator()(FIMEMORY* memory) const noexcept { FreeImage_CloseMemory(memory); }
};

} // namespace

std::string Encoded(FIBITMAP* bitmap, FREE_IMAGE_FORMAT format)
{
    std::unique_ptr<FIMEMORY, MemoryCloser> memory(FreeImage_OpenMemory());
    EXPECT_TRUE(FreeImage_SaveToMemory(format, bitmap, memory.get(), 0));
    BYTE* data = nullptr;
    DWORD size = 0;
    FreeImage_AcquireMemory(memory.get(), &data, &size);
    return std::string(reinterpret_cast<const char*>(data), size);
}

// The photograph: a real JPEG of its own size, its depth stored beside it.
std::string Photo(int width, int height)
{
    const Bitmap picture = MakeImage(width, height, [](int x, int y) { return Grey(16 * x + y); });
    return Encoded(picture.get(), FIF_JPEG);
}

// A grey PNG of 8 or 16 bits whose rows from the top hold `levels`.
std::string GreyPng(int width, int height, const std::vector<int>& levels, bool sixteenBits)
{
    Bitmap depth =
        sixteenBits ? Bitmap(FreeImage_AllocateT(FIT_UINT16, width, height)) : GreyPaletteImage(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            BYTE* row = FreeImage_GetScanLine(depth.get(), height - 1 - y);
            const int level = levels[static_cast<std::size_t>(y * width + x)];
            if (sixteenBits)
                reinterpret_cast<std::uint16_t*>(row)[x] = static_cast<std::uint16_t>(level);
            else
                row[x] = static_cast<BYTE>(level);
        }
    return Encoded(depth.get(), FIF_PNG);
}

std::string Base64(const std::string& bytes)
{
    constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t count = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = group << 8 | (k < count ? static_cast<std::uint8_t>(bytes[i + k]) : 0);
        for (std::size_t k = 0; k < 4; ++k)
            text += k <= count ? kDigits[group >> (18 - 6 * k) & 63] : '=';
    }
    return text;
}

std::string App1(std::string_view id, const std::string& payload)
{
    return "\xFF\xE1" + BigEndianBytes(static_cast<std::uint32_t>(2 + id.size() + payload.size()), 2) +
        std::string(id) + payload;
}

std::string ExtendedChunk(std::string_view guid, std::size_t fullLength, std::size_t offset, const std::string& chunk)
{
    return App1(kExtensionId,
                std::string(guid) + BigEndianBytes(static_cast<std::uint32_t>(fullLength), 4) +
                    BigEndianBytes(static_cast<std::uint32_t>(offset), 4) + chunk);
}

// The photograph with these segments after its start marker.
std::string WithSegments(std::string jpeg, const std::vector<std::string>& segments)
{
    std::string all;
    for (const std::string& segment : segments)
        all += segment;
    return jpeg.insert(2, all);
}

std::string Packet(const std::string& description)
{
    return "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
           "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">" +
        description + "</rdf:RDF></x:xmpmeta>";
}

// GDepth properties as attributes, the data among them unless it is empty.
std::string GDepthAttributes(const std::string& format, const std::string& near, const std::string& far,
                             const std::string& data, const std::string& more)
{
    return Packet("<rdf:Description rdf:about=\"\" xmlns:GDepth=\"http://ns.google.com/photos/1.0/depthmap/\" "
                  "xmlns:xmpNote=\"http://ns.adobe.com/xmp/note/\" GDepth:Format=\"" +
                  format + "\" GDepth:Near=\"" + near + "\" GDepth:Far=\"" + far + "\" GDepth:Mime=\"image/png\"" +
                  (data.empty() ? "" : " GDepth:Data=\"" + data + "\"") + more + "/>");
}

std::string ExifOrientation(int orientation)
{
    std::string exif("II*\0", 4);
    for (const auto& [value, bytes] : {std::pair {8, 4}, {1, 2}, {274, 2}, {3, 2}, {1, 4}, {orientation, 4}, {0, 4}})
        exif += LittleEndianBytes(static_cast<std::uint32_t>(value), bytes);
    return exif;
}

} // namespace velmora::test
