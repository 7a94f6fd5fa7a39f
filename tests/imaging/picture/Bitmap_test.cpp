// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/picture/Bitmap.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

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

TEST(BitmapTest, TakenPixelsStayWhereTheyAreUnderANewHeader)
{
    // Over a megabyte, so that the pixels are pages of the bitmap's own.
    const auto picture = [] {
        std::mt19937 random(8);
        return RandomImage(700, 520, random);
    };
    Bitmap old = picture();
    SetResolution(old.get(), 5000);
    const BYTE* pixels = FreeImage_GetBits(old.get());
    EXPECT_FALSE(TakePixels(old, 700, 519));
    ASSERT_TRUE(old); // another size: left as it was

    Bitmap taken = TakePixels(old, 700, 520);
    EXPECT_FALSE(old);
    ASSERT_TRUE(taken);
    EXPECT_EQ(FreeImage_GetBits(taken.get()), pixels);
    Bitmap expected = picture(); // a new bitmap's header and resolution
    EXPECT_TRUE(SameBitmaps(expected.get(), taken.get()));

    // A small picture's pixels are the library's, inside the bitmap.
    Bitmap small = NewImage(20, 10, 24);
    EXPECT_FALSE(TakePixels(small, 20, 10));
    EXPECT_TRUE(small);
}

} // namespace
} // namespace velmora::test
