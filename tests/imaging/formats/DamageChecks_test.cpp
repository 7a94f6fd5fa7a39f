// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/files/UniqueDescriptor.h"
#include "imaging/formats/BmpHeader.h"
#include "imaging/formats/DamageChecks.h"

#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <cstdint>
#include <string>

namespace velmora::test {
namespace {

constexpr auto Le = LittleEndianBytes;

// The start of a BMP under the info header, as far as its masks would go;
// whatever pixels it announces, none follow.
std::string BmpStart(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPixel)
{
    return "BM" + Le(0, 4) + Le(0, 4) + Le(54, 4) + Le(40, 4) + Le(width, 4) + Le(height, 4) + Le(1, 2) +
           Le(bitsPerPixel, 2) + Le(0, 4) + Le(0, 4) + Le(2835, 4) + Le(2835, 4) + Le(0, 4) + Le(0, 4) +
           std::string(12, '\0');
}

// Whether the file, as the reading path reads its header, is cut short.
bool CutShort(const std::string& content)
{
    WriteBytes("picture.bmp", content);
    const UniqueDescriptor file(open("picture.bmp", O_RDONLY | O_CLOEXEC));
    const auto header = ReadBmpHeader(file.Get());
    EXPECT_TRUE(header);
    return !header || IsTruncatedBmp(*header, content.size());
}

class BmpCutShortTest : public ::testing::Test {
protected:
    Sandbox sandbox;
};

TEST_F(BmpCutShortTest, AFileShorterThanThePixelsItAnnouncesIsCutShortHoweverManyTheyAre)
{
    // Two rows of two 24-bit pixels, eight bytes each with their padding.
    const std::string whole = BmpStart(2, 2, 24).substr(0, 54) + std::string(16, '\x7F');
    EXPECT_FALSE(CutShort(whole));
    EXPECT_TRUE(CutShort(whole.substr(0, whole.size() - 1)));

    // Announced pixel bytes of 2^64 and more: their count wraps round in
    // 64 bits, to 0 for these, yet no file could hold them.
    EXPECT_TRUE(CutShort(BmpStart(0x80000000, 0x80000000, 32)));   // rows of 2^33 bytes, 2^31 of them
    EXPECT_TRUE(CutShort(BmpStart(1u << 22, 0x80000000, 16384)));  // the same from a wild bit count
    EXPECT_TRUE(CutShort(BmpStart(0xFFFFFFFF, 0x7FFFFFFF, 65535))); // the most a header can announce
}

} // namespace
} // namespace velmora::test
