// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/FileBytes.h"
#include "imaging/formats/ImageFile.h"
#include "imaging/formats/SaveFormat.h"
#include "imaging/formats/StoredOrientation.h"
#include "tests/support/PhoneJpegs.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <tiffio.h>

namespace velmora::test {
namespace {

std::string JpegWithOrientation(const std::string& jpeg, int orientation)
{
    std::string contents("Exif\0\0", 6);
    contents += ExifOrientation(orientation);
    std::string file = jpeg.substr(0, 2);
    file += "\xFF\xE1";
    file += BigEndianBytes(static_cast<std::uint32_t>(contents.size() + 2), 2);
    file += contents;
    file += jpeg.substr(2);
    return file;
}

// The eXIf chunk goes after the header chunk (8 + 25 bytes in).
std::string PngWithOrientation(const std::string& png, int orientation)
{
    return png.substr(0, 33) + PngChunk("eXIf", ExifOrientation(orientation)) + png.substr(33);
}

// Upright pixel (u, v), counted from the top left, of a picture stored as
// `stored` with `orientation`: where the camera put it.
Bgr UprightPixel(const Pixels& stored, int orientation, int u, int v)
{
    const int w = stored.width, h = stored.height;
    int x = u, y = v;
    switch (orientation) {
    case 2: x = w - 1 - u; break;
    case 3: x = w - 1 - u, y = h - 1 - v; break;
    case 4: y = h - 1 - v; break;
    case 5: x = v, y = u; break;
    case 6: x = v, y = h - 1 - u; break;
    case 7: x = w - 1 - v, y = h - 1 - u; break;
    case 8: x = w - 1 - v, y = u; break;
    default: break;
    }
    return stored.At(x, h - 1 - y);
}

void ExpectUpright(const Pixels& stored, int orientation, const std::string& path)
{
    const std::optional<Pixels> read = ReadPixels(path);
    ASSERT_TRUE(read) << path;
    const bool swapped = orientation >= 5;
    ASSERT_EQ(read->width, swapped ? stored.height : stored.width) << "orientation " << orientation;
    ASSERT_EQ(read->height, swapped ? stored.width : stored.height) << "orientation " << orientation;
    for (int v = 0; v < read->height; ++v)
        for (int u = 0; u < read->width; ++u)
            ASSERT_EQ(read->At(u, read->height - 1 - v), UprightPixel(stored, orientation, u, v))
                << "orientation " << orientation << " at " << u << "," << v;
}

class StoredOrientationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::mt19937 random(7);
        picture_ = RandomImage(5, 3, random);
    }

    Sandbox sandbox_;
    Bitmap picture_;
};

TEST_F(StoredOrientationTest, EveryOrientationOfAJpegOrPngIsReadUpright)
{
    Save(picture_.get(), sandbox_.Path("plain.png"), kSavePng);
    Save(picture_.get(), sandbox_.Path("plain.jpg"), kSaveJpeg);
    // The pixels as stored: the JPEG's as its decoder gives them.
    const std::optional<Pixels> png = ReadPixels(sandbox_.Path("plain.png"));
    const std::optional<Pixels> jpeg = ReadPixels(sandbox_.Path("plain.jpg"));
    ASSERT_TRUE(png && jpeg);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const std::string name = std::to_string(orientation);
        const std::string pngPath = sandbox_.Path(name + ".png");
        const std::string jpegPath = sandbox_.Path(name + ".jpg");
        WriteBytes(pngPath, PngWithOrientation(ReadBytes(sandbox_.Path("plain.png")), orientation));
        WriteBytes(jpegPath, JpegWithOrientation(ReadBytes(sandbox_.Path("plain.jpg")), orientation));
        ExpectUpright(*png, orientation, pngPath);
        ExpectUpright(*jpeg, orientation, jpegPath);
    }
}

TEST_F(StoredOrientationTest, ATiffTurnedAQuarterIsReadUpright)
{
    const std::optional<Pixels> stored = [&] {
        Save(picture_.get(), sandbox_.Path("plain.png"), kSavePng);
        return ReadPixels(sandbox_.Path("plain.png"));
    }();
    ASSERT_TRUE(stored);
    TIFF* tiff = TIFFOpen(sandbox_.Path("turned.tif").c_str(), "w");
    ASSERT_NE(tiff, nullptr);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, stored->width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, stored->height);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_RIGHTTOP); // 6
    for (int y = 0; y < stored->height; ++y) {
        std::vector<std::uint8_t> row;
        for (int x = 0; x < stored->width; ++x) {
            const Bgr pixel = stored->At(x, stored->height - 1 - y);
            row.insert(row.end(), {pixel.red, pixel.green, pixel.blue});
        }
        ASSERT_EQ(TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0), 1);
    }
    TIFFClose(tiff);
    ExpectUpright(*stored, 6, sandbox_.Path("turned.tif"));
}

TEST_F(StoredOrientationTest, AnUprightPictureIsWrittenWithoutTheOrientationItWasReadWith)
{
    Save(picture_.get(), sandbox_.Path("plain.jpg"), kSaveJpeg);
    WriteBytes(sandbox_.Path("turned.jpg"), JpegWithOrientation(ReadBytes(sandbox_.Path("plain.jpg")), 6));
    ImageRead read = ReadImageFile(sandbox_.Path("turned.jpg"), RunOptions{});
    ASSERT_TRUE(read.status) << read.status.reason;
    Save(read.bitmap.get(), sandbox_.Path("written.jpg"), kSaveJpeg);
    const std::string written = ReadBytes(sandbox_.Path("written.jpg"));
    FileBytes bytes(reinterpret_cast<const std::uint8_t*>(written.data()), written.size());
    EXPECT_EQ(StoredOrientation(FIF_JPEG, bytes), 1);
    EXPECT_EQ(ReadPixels(sandbox_.Path("written.jpg"))->width, 3);
}

TEST_F(StoredOrientationTest, NumbersThatAreNoOrientationAreTakenAsUpright)
{
    Save(picture_.get(), sandbox_.Path("plain.png"), kSavePng);
    for (const int orientation : {0, 9, 0xFFFF}) {
        const std::string png = PngWithOrientation(ReadBytes(sandbox_.Path("plain.png")), orientation);
        FileBytes bytes(reinterpret_cast<const std::uint8_t*>(png.data()), png.size());
        EXPECT_EQ(StoredOrientation(FIF_PNG, bytes), 1) << orientation;
    }
    // A chunk cut off in the middle is no orientation either.
    const std::string cut = PngWithOrientation(ReadBytes(sandbox_.Path("plain.png")), 6).substr(0, 33 + 20);
    FileBytes bytes(reinterpret_cast<const std::uint8_t*>(cut.data()), cut.size());
    EXPECT_EQ(StoredOrientation(FIF_PNG, bytes), 1);
}

} // namespace
} // namespace velmora::test
