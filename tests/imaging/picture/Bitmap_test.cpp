// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/picture/Bitmap.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <limits>

namespace velmora::test {
namespace {

TEST(BitmapTest, NewImagesAreBlackAndImpossibleSizesGiveNone)
{
    Bitmap bitmap = NewImage(4, 3, 24);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(PixelOf(bitmap.get(), 3, 2), Grey(0));
    EXPECT_FALSE(NewImage(0, 3, 24));
    EXPECT_FALSE(NewImage(3, -1, 24));
    EXPECT_FALSE(NewImage(200000, 200000, 24));
}

TEST(BitmapTest, ResolutionIsTruncatedAndClampedToTheHeaderField)
{
    Bitmap bitmap = NewImage(1, 1, 24);
    ASSERT_TRUE(bitmap);
    SetResolution(bitmap.get(), -3.9);
    EXPECT_EQ(HorizontalResolution(bitmap.get()), -3);
    SetResolution(bitmap.get(), 1e12);
    EXPECT_EQ(HorizontalResolution(bitmap.get()), std::numeric_limits<std::int32_t>::max());
    SetResolution(bitmap.get(), std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(HorizontalResolution(bitmap.get()), 0);
}

TEST(BitmapTest, RowsCountFromTheBottomAndTheCursorFindsEveryPixel)
{
    Bitmap bitmap = MakeImage(5, 3, [](int x, int y) { return Bgr{std::uint8_t(x), std::uint8_t(y), 7}; });
    RowCursor cursor(bitmap.get());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(cursor.PixelAt(x, y), PixelAt(bitmap.get(), x, y));
            EXPECT_EQ(RowAt(bitmap.get(), y) + 3 * x, PixelAt(bitmap.get(), x, y));
        }
    EXPECT_EQ(PixelOf(bitmap.get(), 4, 2), (Bgr{4, 2, 7}));
}

} // namespace
} // namespace velmora::test
