// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/pairs/PairFiles.h"

#include "imaging/formats/ImageFile.h"
#include "imaging/pairs/MpoIndex.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace velmora::test {
namespace {

constexpr auto Le = LittleEndianBytes;
constexpr auto Be = BigEndianBytes;

std::vector<std::uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

std::string Text(const std::vector<std::uint8_t>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

// Whether two bitmaps hold the same pixels.
bool SameBitmaps(FIBITMAP* a, FIBITMAP* b)
{
    if (!a || !b || Width(a) != Width(b) || Height(a) != Height(b))
        return false;
    for (int y = 0; y < Height(a); ++y)
        if (std::memcmp(RowAt(a, y), RowAt(b, y), 3 * static_cast<std::size_t>(Width(a))) != 0)
            return false;
    return true;
}

class PairFilesTest : public ::testing::Test {
protected:
    // A JPEG of a random picture, and the picture it decodes to.
    std::string Jpeg(const std::string& name, int width, int height)
    {
        Save(RandomImage(width, height, random).get(), name, kSaveJpeg);
        return ReadBytes(name);
    }

    Bitmap Decoded(const std::string& name) { return ReadRgbImageFile(name, RunOptions{}).bitmap; }

    PairRead Read(PairSource source) { return ReadStereoPair(source, RunOptions{}); }

    Sandbox sandbox;
    std::mt19937 random{29};
};

TEST_F(PairFilesTest, AnMpoGivesItsFirstTwoViewsAsTheEyes)
{
    const std::string left = Jpeg("left.jpg", 40, 30), right = Jpeg("right.jpg", 40, 30);
    WriteBytes("pair.mpo", Text(BuildStereoMpo(Bytes(left), Bytes(right))));
    const PairRead pair = Read({"pair.mpo", std::nullopt, "", ""});
    ASSERT_TRUE(pair.left) << pair.problem;
    EXPECT_TRUE(SameBitmaps(pair.left.get(), Decoded("left.jpg").get()));
    EXPECT_TRUE(SameBitmaps(pair.right.get(), Decoded("right.jpg").get()));
    // Read as a plain JPEG, the file is its first picture.
    EXPECT_TRUE(SameBitmaps(Decoded("pair.mpo").get(), Decoded("left.jpg").get()));
}

// An MPO with a little-endian MP index of `entries` (attribute, size,
// offset from the byte-order mark) after `first`'s SOI, `rest` after it.
std::string LittleEndianMpo(const std::string& first, const std::vector<std::array<std::uint32_t, 3>>& entries,
                            const std::string& rest, std::uint32_t number)
{
    std::string index = "II*" + std::string(1, '\0') + Le(8, 4) + Le(3, 2);
    const std::uint32_t entriesAt = 8 + 2 + 3 * 12 + 4;
    index += Le(0xB000, 2) + Le(7, 2) + Le(4, 4) + "0100";
    index += Le(0xB001, 2) + Le(4, 2) + Le(1, 4) + Le(number, 4);
    index += Le(0xB002, 2) + Le(7, 2) + Le(16 * number, 4) + Le(entriesAt, 4) + Le(0, 4);
    for (const auto& [attribute, size, offset] : entries)
        index += Le(attribute, 4) + Le(size, 4) + Le(offset, 4) + Le(0, 4);
    const std::string segment = "\xFF\xE2" + Be(2 + 4 + index.size(), 2) + "MPF" + std::string(1, '\0') + index;
    return first.substr(0, 2) + segment + first.substr(2) + rest;
}

TEST_F(PairFilesTest, LittleEndianIndexesAndBadOnesAreToldApart)
{
    const std::string left = Jpeg("left.jpg", 24, 16), right = Jpeg("right.jpg", 24, 16);
    // The segment's size is known before the offsets: 4 + 2 + 6 + index.
    const std::uint32_t segmentBytes = 2 + 2 + 4 + 8 + 2 + 3 * 12 + 4 + 2 * 16;
    const std::uint32_t firstSize = static_cast<std::uint32_t>(left.size()) + segmentBytes;
    const std::uint32_t rightAt = firstSize - (2 + 8); // from the byte-order mark, 8 bytes into the segment
    const auto mpo = [&](std::vector<std::array<std::uint32_t, 3>> entries, std::uint32_t number = 2) {
        return LittleEndianMpo(left, entries, right, number);
    };
    const std::uint32_t view = 0x020002, rightSize = static_cast<std::uint32_t>(right.size());
    WriteBytes("little.mpo", mpo({{view, firstSize, 0}, {view, rightSize, rightAt}}));
    const PairRead pair = Read({"little.mpo", std::nullopt, "", ""});
    ASSERT_TRUE(pair.left) << pair.problem;
    EXPECT_TRUE(SameBitmaps(pair.right.get(), Decoded("right.jpg").get()));

    const std::pair<std::string, std::string> bad[] = {
        {mpo({{view, firstSize, 0}}, 1), "it holds a single picture, not a stereo pair"},
        {mpo({{view, firstSize, 0}, {view, rightSize + 100, rightAt}}), "picture 2 of its MP index lies outside the file"},
        {mpo({{view, firstSize, 0}, {view, rightSize, 100}}), "pictures of its MP index overlap"},
        {mpo({{view, firstSize, 0}, {0x010001, rightSize, rightAt}}), "it holds no two views of a stereo pair"},
        {mpo({{view, firstSize, 0}, {view, rightSize, rightAt}}, 3), "its MP entries lie outside their segment"},
        {mpo({}, 0), "its MP index names no pictures"},
    };
    for (const auto& [content, problem] : bad) {
        WriteBytes("bad.mpo", content);
        const PairRead refused = Read({"bad.mpo", std::nullopt, "", ""});
        EXPECT_FALSE(refused.left) << problem;
        EXPECT_EQ(refused.problem, problem);
    }
}

// A picture of both eyes side by side: the left half's pixels all dark,
// the right half's all light, so the halves cannot be mistaken.
Bitmap BothEyes(int width, int height)
{
    return MakeImage(width, height, [&](int x, int y) { return Grey(x < width / 2 ? 20 + y : 200 + y); });
}

// `jpeg` with a JPS descriptor (layout 2 side by side, `flags`) after its SOI.
std::string WithJpsDescriptor(const std::string& jpeg, std::uint8_t flags)
{
    const std::string descriptor = Be(4, 2) + std::string(1, '\0') + static_cast<char>(flags) + "\x02\x01";
    const std::string segment = "\xFF\xE3" + Be(2 + 8 + descriptor.size(), 2) + "_JPSJPS_" + descriptor;
    return jpeg.substr(0, 2) + segment + jpeg.substr(2);
}

TEST_F(PairFilesTest, PicturesOfBothEyesAreSplitAsTheyOrTheUserSay)
{
    Save(BothEyes(40, 10).get(), "both.png", kSavePng);
    const PairRead parallel = Read({"both.png", kParallelHalves, "", ""});
    ASSERT_TRUE(parallel.left) << parallel.problem;
    EXPECT_EQ(Width(parallel.left.get()), 20);
    EXPECT_EQ(PixelOf(parallel.left.get(), 0, 0), Grey(20));
    EXPECT_EQ(PixelOf(parallel.right.get(), 19, 9), Grey(209));
    // A PNS file is cross-eyed: the right eye on the left.
    Save(BothEyes(40, 10).get(), "both.pns", kSavePng);
    const PairRead cross = Read({"both.pns", std::nullopt, "", ""});
    ASSERT_TRUE(cross.left) << cross.problem;
    EXPECT_EQ(PixelOf(cross.left.get(), 0, 0), Grey(200));
    // Top and bottom: the upper half is the left eye.
    Bitmap stacked = MakeImage(8, 12, [](int, int y) { return Grey(y < 6 ? 30 : 90); }); // rows from the bottom
    Save(stacked.get(), "stacked.png", kSavePng);
    const PairRead topBottom = Read({"stacked.png", kTopBottomHalves, "", ""});
    ASSERT_TRUE(topBottom.left) << topBottom.problem;
    EXPECT_EQ(PixelOf(topBottom.left.get(), 0, 0), Grey(90));
    EXPECT_EQ(PixelOf(topBottom.right.get(), 0, 0), Grey(30));

    // A JPS descriptor saying the left eye comes first; none: cross-eyed.
    Save(BothEyes(40, 10).get(), "both.jpg", kSaveJpeg);
    WriteBytes("left-first.jps", WithJpsDescriptor(ReadBytes("both.jpg"), 1 << 2));
    WriteBytes("plain.jps", ReadBytes("both.jpg"));
    const PairRead leftFirst = Read({"left-first.jps", std::nullopt, "", ""});
    const PairRead plain = Read({"plain.jps", std::nullopt, "", ""});
    ASSERT_TRUE(leftFirst.left && plain.left);
    EXPECT_LT(PixelOf(leftFirst.left.get(), 5, 5).green, 100);
    EXPECT_GT(PixelOf(plain.left.get(), 5, 5).green, 150);

    Save(BothEyes(41, 10).get(), "odd.png", kSavePng);
    EXPECT_EQ(Read({"odd.png", kCrossHalves, "", ""}).problem,
              "a picture of both eyes side by side must have an even width, not 41 x 10");
    EXPECT_NE(Read({"both.png", std::nullopt, "", ""}).problem.find("--stereo-layout"), std::string::npos);
}

TEST_F(PairFilesTest, EyesOfDifferentSizesAreRefusedNotCropped)
{
    Save(RandomImage(30, 20, random).get(), "l.png", kSavePng);
    Save(RandomImage(30, 22, random).get(), "r.png", kSavePng);
    const PairRead pair = Read({"", std::nullopt, "l.png", "r.png"});
    EXPECT_FALSE(pair.left);
    EXPECT_EQ(pair.problem, "its eyes differ in size: 30 x 20 and 30 x 22");
    EXPECT_EQ(pair.kind, FileProblem::kUnreadable);
    const PairRead missing = Read({"", std::nullopt, "l.png", "nothing.png"});
    EXPECT_EQ(missing.problem, "nothing.png: No such file or directory");
    EXPECT_EQ(missing.kind, FileProblem::kUnreadable);
    // An eye too large for the picture size limit says so, whichever file holds it.
    Save(BothEyes(40, 10).get(), "both.pns", kSavePng);
    for (const PairSource& source :
         {PairSource{"", std::nullopt, "l.png", "r.png"}, PairSource{"both.pns", std::nullopt, "", ""}}) {
        const PairRead tooLarge = ReadStereoPair(source, RunOptions{.pictureLimit = 1000});
        EXPECT_FALSE(tooLarge.left);
        EXPECT_EQ(tooLarge.kind, FileProblem::kTooLarge) << tooLarge.problem;
    }
}

TEST_F(PairFilesTest, AnotherReaderAndWeTakeEachOthersMpos)
{
    if (!PythonHas("PIL"))
        GTEST_SKIP() << "no Python imaging library here";
    const std::string left = Jpeg("left.jpg", 40, 30), right = Jpeg("right.jpg", 40, 30);
    WriteBytes("pair.mpo", Text(BuildStereoMpo(Bytes(left), Bytes(right))));
    const ProgramResult pil = RunProgram(
        kPython, {"-c",
                             "from PIL import Image\n"
                             "im = Image.open('pair.mpo')\n"
                             "print(im.format, im.n_frames, im.size)\n"
                             "im.seek(1)\n"
                             "im.load()\n"
                             "print(im.size, im.mpinfo[0xB000], len(im.mpinfo[0xB002]))\n"});
    ASSERT_EQ(pil.exitCode, 0) << pil.err;
    EXPECT_EQ(pil.out, "MPO 2 (40, 30)\n(40, 30) b'0100' 2\n");

    // And we take its MPO, whose pictures it marks primary and undefined.
    const ProgramResult written = RunProgram(
        kPython, {"-c", "from PIL import Image\n"
                                   "Image.open('left.jpg').save('theirs.mpo', format='MPO', save_all=True, "
                                   "append_images=[Image.open('right.jpg')], quality=90)\n"});
    ASSERT_EQ(written.exitCode, 0) << written.err;
    const PairRead theirs = Read({"theirs.mpo", std::nullopt, "", ""});
    ASSERT_TRUE(theirs.left) << theirs.problem;
    EXPECT_EQ(Width(theirs.right.get()), 40);
}

} // namespace
} // namespace velmora::test
