// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/pairs/PairFiles.h"

#include "imaging/formats/ImageFile.h"
#include "imaging/formats/JpegSegments.h"
#include "imaging/pairs/MpoIndex.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>
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

// A JPEG segment: its marker and length, then `contents`.
std::string Segment(std::uint32_t code, const std::string& contents)
{
    std::string segment{'\xFF', static_cast<char>(code)};
    return segment + Be(static_cast<std::uint32_t>(contents.size() + 2), 2) + contents;
}

// An MPO with a little-endian MP index of `entries` (attribute, size,
// offset from the byte-order mark) after `first`'s SOI, `rest` after it.
// The index claims `number` pictures and `entryBytes` bytes of entries (16
// per picture unless given).
std::string LittleEndianMpo(const std::string& first, const std::vector<std::array<std::uint32_t, 3>>& entries,
                            const std::string& rest, std::uint32_t number,
                            std::optional<std::uint32_t> entryBytes = std::nullopt)
{
    std::string index = "II*" + std::string(1, '\0') + Le(8, 4) + Le(3, 2);
    const std::uint32_t entriesAt = 8 + 2 + 3 * 12 + 4;
    index += Le(0xB000, 2) + Le(7, 2) + Le(4, 4) + "0100";
    index += Le(0xB001, 2) + Le(4, 2) + Le(1, 4) + Le(number, 4);
    index += Le(0xB002, 2) + Le(7, 2) + Le(entryBytes.value_or(16 * number), 4) + Le(entriesAt, 4) + Le(0, 4);
    for (const auto& [attribute, size, offset] : entries)
        index += Le(attribute, 4) + Le(size, 4) + Le(offset, 4) + Le(0, 4);
    const std::string segment = Segment(0xE2, "MPF" + std::string(1, '\0') + index);
    return first.substr(0, 2) + segment + first.substr(2) + rest;
}

// With a little-endian index of two entries put into `first`: its size, and
// where a picture after it lies, counted from the byte-order mark 8 bytes
// into the index's segment.
struct TwoEntries {
    std::uint32_t firstSize, secondAt;
};

TwoEntries TwoEntriesIn(const std::string& first)
{
    // The segment's size is known before the offsets: 4 + 2 + 6 + index.
    const std::uint32_t segmentBytes = 2 + 2 + 4 + 8 + 2 + 3 * 12 + 4 + 2 * 16;
    const std::uint32_t firstSize = static_cast<std::uint32_t>(first.size()) + segmentBytes;
    return {firstSize, firstSize - (2 + 8)};
}

// Two JPEGs in one file, the first's little-endian MP index marking them
// `firstType` and `secondType`.
std::string TwoPictures(const std::string& first, std::uint32_t firstType, const std::string& second,
                        std::uint32_t secondType)
{
    const auto [firstSize, secondAt] = TwoEntriesIn(first);
    return LittleEndianMpo(
        first, {{firstType, firstSize, 0}, {secondType, static_cast<std::uint32_t>(second.size()), secondAt}}, second,
        2);
}

TEST_F(PairFilesTest, LittleEndianIndexesAndBadOnesAreToldApart)
{
    const std::string left = Jpeg("left.jpg", 24, 16), right = Jpeg("right.jpg", 24, 16);
    const auto [firstSize, rightAt] = TwoEntriesIn(left);
    const auto mpo = [&](std::vector<std::array<std::uint32_t, 3>> entries, std::uint32_t number = 2,
                         std::optional<std::uint32_t> entryBytes = std::nullopt) {
        return LittleEndianMpo(left, entries, right, number, entryBytes);
    };
    const std::uint32_t view = 0x020002, rightSize = static_cast<std::uint32_t>(right.size());
    WriteBytes("little.mpo", mpo({{view, firstSize, 0}, {view, rightSize, rightAt}}));
    const PairRead pair = Read({"little.mpo", std::nullopt, "", ""});
    ASSERT_TRUE(pair.left) << pair.problem;
    EXPECT_TRUE(SameBitmaps(pair.right.get(), Decoded("right.jpg").get()));

    const std::pair<std::string, std::string> bad[] = {
        {mpo({{view, firstSize, 0}}, 1), "it holds a single picture, not a stereo pair"},
        {mpo({{view, firstSize, 0}, {view, rightSize + 100, rightAt}}), "picture 2 of its MP index lies outside the file"},
        {mpo({{view, firstSize, 0}, {view, rightSize + 1, rightAt}}), "picture 2 of its MP index lies outside the file"},
        {mpo({{view, firstSize, 0}, {view, 0, rightAt}}), "picture 2 of its MP index lies outside the file"},
        {mpo({{view, firstSize, 0}, {view, rightSize, 100}}), "pictures of its MP index overlap"},
        {mpo({{view, firstSize, 0}, {0x010001, rightSize, rightAt}}), "it holds no two views of a stereo pair"},
        {mpo({{view, firstSize, 0}, {view, rightSize, rightAt}}, 3), "its MP entries lie outside their segment"},
        {mpo({}, 0), "its MP index names no pictures"},
        {mpo({}, 1001), "its MP index names no pictures"},
        // Entries that do not match the number of pictures: reading them all
        // would take what follows them for pictures.
        {mpo({{view, firstSize, 0}, {view, rightSize, rightAt}}, 2, 16), "its MP index names no pictures"},
        {mpo({{view, firstSize, 0}, {view, rightSize, rightAt}}, 2, 48), "its MP index names no pictures"},
    };
    for (const auto& [content, problem] : bad) {
        WriteBytes("bad.mpo", content);
        const PairRead refused = Read({"bad.mpo", std::nullopt, "", ""});
        EXPECT_FALSE(refused.left) << problem;
        EXPECT_EQ(refused.problem, problem);
    }

    // A damaged picture is named as the eye it would have been.
    WriteBytes("damaged.mpo", LittleEndianMpo(left, {{view, firstSize, 0}, {view, rightSize, rightAt}},
                                              std::string(right.size(), 'x'), 2));
    const PairRead damaged = Read({"damaged.mpo", std::nullopt, "", ""});
    EXPECT_FALSE(damaged.left);
    EXPECT_EQ(damaged.problem.rfind("its right view: ", 0), 0u) << damaged.problem;
}

std::variant<std::vector<MpImage>, std::string> IndexOf(const std::string& file)
{
    FileBytes bytes(reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
    return ReadMpIndex(bytes);
}

TEST_F(PairFilesTest, AnIndexIsReadInFileOrderAndOnlyWithinItsSegment)
{
    const std::string left = Jpeg("left.jpg", 24, 16), right = Jpeg("right.jpg", 24, 16);
    const std::string thumbnail = Jpeg("thumbnail.jpg", 8, 6);
    const std::uint32_t view = 0x020002, largeThumbnail = 0x010001;
    const std::uint32_t rightSize = static_cast<std::uint32_t>(right.size());

    // Entries need not follow the file: here the thumbnail, listed between
    // the views, lies after both.
    const std::uint32_t threeSegment = 2 + 2 + 4 + 8 + 2 + 3 * 12 + 4 + 3 * 16;
    const std::uint32_t firstSize = static_cast<std::uint32_t>(left.size()) + threeSegment;
    const std::uint32_t rightAt = firstSize - (2 + 8), thumbnailAt = rightAt + rightSize;
    WriteBytes("unordered.mpo",
               LittleEndianMpo(left,
                               {{view, firstSize, 0},
                                {largeThumbnail, static_cast<std::uint32_t>(thumbnail.size()), thumbnailAt},
                                {view, rightSize, rightAt}},
                               right + thumbnail, 3));
    const PairRead pair = Read({"unordered.mpo", std::nullopt, "", ""});
    ASSERT_TRUE(pair.left) << pair.problem;
    EXPECT_TRUE(SameBitmaps(pair.left.get(), Decoded("left.jpg").get()));
    EXPECT_TRUE(SameBitmaps(pair.right.get(), Decoded("right.jpg").get()));

    // The segment cut short of the last entry: a field that ends at the
    // segment's end is read, one that runs a byte past it is not.
    const std::uint32_t twoSegment = threeSegment - 16, twoFirstSize = firstSize - 16;
    const std::string whole = LittleEndianMpo(left, {{view, twoFirstSize, 0}, {view, rightSize, twoFirstSize - 10}},
                                              right, 2);
    const auto cut = [&](std::uint32_t bytes) {
        return whole.substr(0, 4) + Be(twoSegment - 2 - bytes, 2) + whole.substr(6);
    };
    const auto toEnd = IndexOf(cut(4)); // the entry's unused last field
    ASSERT_TRUE(std::holds_alternative<std::vector<MpImage>>(toEnd)) << std::get<std::string>(toEnd);
    EXPECT_EQ(std::get<std::vector<MpImage>>(toEnd).at(1).at, twoFirstSize);
    const auto pastEnd = IndexOf(cut(5));
    ASSERT_TRUE(std::holds_alternative<std::string>(pastEnd));
    EXPECT_EQ(std::get<std::string>(pastEnd), "its MP entries lie outside their segment");
}

TEST_F(PairFilesTest, TheEyesAreTheFirstTwoViewsElseTheFirstTwoPlainPictures)
{
    constexpr std::uint32_t representative = 1u << 29, undefined = 0, primary = 0x030000;
    const auto at = [](std::uint32_t attribute, std::uint64_t offset) { return MpImage{attribute, offset, 10}; };
    struct Case {
        std::vector<MpImage> images;
        std::uint64_t left, right;
    };
    const Case cases[] = {
        // Flags above the type code do not hide a view.
        {{at(representative | kMpDisparity, 0), at(undefined, 100), at(kMpDisparity, 200)}, 0, 200},
        {{at(kMpMultiAngle, 0), at(undefined, 100), at(kMpMultiAngle, 200)}, 0, 200},
        // One view alone makes no pair: the plain pictures do.
        {{at(kMpDisparity, 0), at(undefined, 100)}, 0, 100},
        {{at(primary, 0), at(kMpLargeThumbnail, 100), at(undefined, 200)}, 0, 200},
    };
    for (const Case& c : cases) {
        const auto eyes = StereoImages(c.images);
        ASSERT_TRUE((std::holds_alternative<std::pair<MpImage, MpImage>>(eyes))) << std::get<std::string>(eyes);
        EXPECT_EQ(std::get<0>(eyes).first.at, c.left);
        EXPECT_EQ(std::get<0>(eyes).second.at, c.right);
    }
    // Plain pictures of two sizes are a photo and its gain map; marked as
    // views, they are a pair whose reading names both sizes.
    const auto sized = [](std::uint32_t attribute, std::uint64_t offset, std::uint32_t width) {
        return MpImage{attribute, offset, 10, width, width};
    };
    EXPECT_TRUE(std::holds_alternative<std::string>(StereoImages({sized(primary, 0, 40), sized(undefined, 100, 10)})));
    EXPECT_FALSE(std::holds_alternative<std::string>(StereoImages({sized(primary, 0, 40), sized(undefined, 100, 0)})));
    EXPECT_FALSE(
        std::holds_alternative<std::string>(StereoImages({sized(kMpDisparity, 0, 40), sized(kMpDisparity, 100, 10)})));
    // Either size unknown counts as one; a width or a height alone tells them apart.
    EXPECT_FALSE(std::holds_alternative<std::string>(StereoImages({sized(primary, 0, 0), sized(undefined, 100, 10)})));
    for (const MpImage& other : {MpImage{undefined, 100, 10, 40, 20}, MpImage{undefined, 100, 10, 20, 40}})
        EXPECT_TRUE(std::holds_alternative<std::string>(StereoImages({sized(primary, 0, 40), other})));
    // Nothing but thumbnails: no plain pictures to take either.
    EXPECT_TRUE(
        std::holds_alternative<std::string>(StereoImages({at(kMpLargeThumbnail, 0), at(kMpFullHdThumbnail, 100)})));
    for (const std::uint32_t thumbnail : {kMpLargeThumbnail, kMpFullHdThumbnail}) {
        const auto eyes = StereoImages({at(primary, 0), at(thumbnail, 100)});
        ASSERT_TRUE(std::holds_alternative<std::string>(eyes)) << thumbnail;
        EXPECT_EQ(std::get<std::string>(eyes), "it holds no two views of a stereo pair");
    }
}

TEST_F(PairFilesTest, AJpegsFrameHeaderGivesItsSizeWhereverItStarts)
{
    const std::string first = Jpeg("first.jpg", 40, 30), second = Jpeg("second.jpg", 17, 9);
    const std::string both = first + second;
    FileBytes bytes(reinterpret_cast<const std::uint8_t*>(both.data()), both.size());
    EXPECT_EQ(JpegFrameSize(bytes, 0), std::make_pair(40u, 30u));
    EXPECT_EQ(JpegFrameSize(bytes, first.size()), std::make_pair(17u, 9u));
    // Not at a picture's start, or cut before its frame header: no size.
    EXPECT_FALSE(JpegFrameSize(bytes, 1));
    EXPECT_FALSE(JpegFrameSize(bytes, both.size()));
    const std::size_t frame = first.find("\xFF\xC0");
    ASSERT_NE(frame, std::string::npos);
    const std::string cut = first.substr(0, frame + 6);
    FileBytes cutBytes(reinterpret_cast<const std::uint8_t*>(cut.data()), cut.size());
    EXPECT_FALSE(JpegFrameSize(cutBytes, 0));
}

TEST_F(PairFilesTest, OnlyAWholeFrameHeaderBeforeTheScanGivesASize)
{
    const auto frame = [](std::uint32_t code, std::uint32_t width, std::uint32_t height) {
        return Segment(code, std::string(1, '\x08') + Be(height, 2) + Be(width, 2) + '\x01');
    };
    const auto sizeAt = [](const std::string& file, std::uint64_t start) {
        FileBytes bytes(reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
        return JpegFrameSize(bytes, start);
    };
    const std::string soi = "\xFF\xD8", last = frame(0xC0, 40, 30);
    const auto size = std::make_pair(40u, 30u);
    // Every start of frame gives the size, whatever its coding; the Huffman
    // and arithmetic coding tables and the reserved marker among them do not.
    for (std::uint32_t code = 0xC0; code <= 0xCF; ++code) {
        const bool table = code == 0xC4 || code == 0xC8 || code == 0xCC;
        EXPECT_EQ(sizeAt(soi + frame(code, 12, 7) + last, 0), table ? size : std::make_pair(12u, 7u)) << code;
    }
    // A header too short to hold a size is passed by; one cut by the file's
    // end, one after the scan or one leaving the height to the scan gives none.
    EXPECT_EQ(sizeAt(soi + Segment(0xC0, "\x08\x01\x02") + last, 0), size);
    EXPECT_FALSE(sizeAt(soi + last.substr(0, last.size() - 1), 0));
    EXPECT_FALSE(sizeAt(soi + Segment(0xDA, "\x01\x01\x3F") + last, 0));
    EXPECT_FALSE(sizeAt(soi + frame(0xC0, 40, 0), 0));
    // A later picture must start with its own start of image.
    std::string two = soi + last + soi + last;
    EXPECT_EQ(sizeAt(two, soi.size() + last.size()), size);
    two[soi.size() + last.size() + 1] = '\xE0';
    EXPECT_FALSE(sizeAt(two, soi.size() + last.size()));
}

// The tags of the big-endian IFD at `ifd` (from the byte-order mark at
// `base`), and the offset of the IFD after it (tag 0).
std::map<std::uint32_t, std::uint32_t> IfdTags(FileBytes& bytes, std::uint64_t base, std::uint64_t ifd)
{
    std::map<std::uint32_t, std::uint32_t> tags;
    const std::uint32_t count = bytes.Big16(base + ifd).value_or(0);
    for (std::uint32_t i = 0; i < count; ++i)
        tags[bytes.Big16(base + ifd + 2 + 12 * i).value_or(0)] = bytes.Big32(base + ifd + 2 + 12 * i + 8).value_or(0);
    tags[0] = bytes.Big32(base + ifd + 2 + 12 * count).value_or(0);
    return tags;
}

TEST_F(PairFilesTest, TheMposWeWriteDescribeBothPicturesForOtherReaders)
{
    const std::string left = Jpeg("left.jpg", 40, 30), right = Jpeg("right.jpg", 40, 30);
    const std::vector<std::uint8_t> mpo = BuildStereoMpo(Bytes(left), Bytes(right));
    const auto index = IndexOf(Text(mpo));
    ASSERT_TRUE(std::holds_alternative<std::vector<MpImage>>(index)) << std::get<std::string>(index);
    const std::vector<MpImage>& images = std::get<std::vector<MpImage>>(index);
    ASSERT_EQ(images.size(), 2u);
    // Two disparity views, the first the representative one, which fill the file.
    EXPECT_EQ(images[0].attribute, (1u << 29) | kMpDisparity);
    EXPECT_EQ(images[1].attribute, kMpDisparity);
    EXPECT_EQ(images[1].at, images[0].size);
    EXPECT_EQ(images[1].at + images[1].size, mpo.size());

    // Each picture's attributes: its number in the pair, viewpoint 1 the base.
    for (std::size_t i = 0; i < 2; ++i) {
        FileBytes picture(mpo.data() + images[i].at, images[i].size);
        const auto segment = FindJpegSegment(picture, 0xE2, std::string_view("MPF\0", 4));
        ASSERT_TRUE(segment) << i;
        const std::uint64_t base = segment->first;
        ASSERT_TRUE(picture.Matches(base, std::string_view("MM\0*", 4))) << i;
        std::uint64_t attributes = picture.Big32(base + 4).value_or(0);
        if (i == 0) {
            const auto indexTags = IfdTags(picture, base, attributes);
            EXPECT_EQ(indexTags.at(0xB001), 2u);
            attributes = indexTags.at(0); // the attributes follow the index
        }
        ASSERT_NE(attributes, 0u) << i;
        const auto tags = IfdTags(picture, base, attributes);
        EXPECT_EQ(tags.count(0xB000), 1u) << i;
        EXPECT_EQ(tags.count(0xB101) ? tags.at(0xB101) : 0, i + 1);
        EXPECT_EQ(tags.count(0xB204) ? tags.at(0xB204) : 0, 1u) << i;
    }
}

// A picture of both eyes side by side: the left half's pixels all dark,
// the right half's all light, so the halves cannot be mistaken.
Bitmap BothEyes(int width, int height)
{
    return MakeImage(width, height, [&](int x, int y) { return Grey(x < width / 2 ? 20 + y : 200 + y); });
}

// `jpeg` with a JPS descriptor (`flags`, `layout`: 2 side by side, 3 over
// and under; `type` 1 stereo) after its SOI.
std::string WithJpsDescriptor(const std::string& jpeg, std::uint8_t flags, std::uint8_t layout = 2,
                              std::uint8_t type = 1)
{
    const std::string descriptor =
        Be(4, 2) + std::string(1, '\0') + static_cast<char>(flags) + static_cast<char>(layout) + static_cast<char>(type);
    const std::string segment = Segment(0xE3, "_JPSJPS_" + descriptor);
    return jpeg.substr(0, 2) + segment + jpeg.substr(2);
}

TEST_F(PairFilesTest, PicturesOfBothEyesAreSplitAsTheyOrTheUserSay)
{
    Bitmap both = BothEyes(40, 10);
    FreeImage_SetDotsPerMeterX(both.get(), 3780);
    FreeImage_SetDotsPerMeterY(both.get(), 2835);
    Save(both.get(), "both.png", kSavePng);
    const PairRead parallel = Read({"both.png", kParallelHalves, "", ""});
    ASSERT_TRUE(parallel.left) << parallel.problem;
    EXPECT_EQ(Width(parallel.left.get()), 20);
    // Each eye keeps the picture's resolution.
    for (FIBITMAP* eye : {parallel.left.get(), parallel.right.get()}) {
        EXPECT_EQ(FreeImage_GetDotsPerMeterX(eye), 3780u);
        EXPECT_EQ(FreeImage_GetDotsPerMeterY(eye), 2835u);
    }
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
    Save(MakeImage(8, 13, [](int, int y) { return Grey(y < 6 ? 30 : 90); }).get(), "odd-stacked.png", kSavePng);
    EXPECT_EQ(Read({"odd-stacked.png", kTopBottomHalves, "", ""}).problem,
              "a picture of both eyes one above the other must have an even height, not 8 x 13");
    EXPECT_NE(Read({"both.png", std::nullopt, "", ""}).problem.find("--stereo-layout"), std::string::npos);
}

TEST_F(PairFilesTest, AJpsDescriptorGivesTheLayoutOrIsNoneAtAll)
{
    const std::string jpeg = Jpeg("plain.jpg", 16, 8);
    const auto halvesOf = [](const std::string& file) {
        FileBytes bytes(reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
        return JpsHalves(bytes);
    };
    const auto overUnder = halvesOf(WithJpsDescriptor(jpeg, 1 << 2, 3));
    ASSERT_TRUE(overUnder);
    EXPECT_FALSE(overUnder->sideBySide);
    EXPECT_TRUE(overUnder->leftFirst);
    const auto sideBySide = halvesOf(WithJpsDescriptor(jpeg, 0, 2));
    ASSERT_TRUE(sideBySide);
    EXPECT_TRUE(sideBySide->sideBySide);
    EXPECT_FALSE(sideBySide->leftFirst);

    // Interleaved rows, a mono picture, a descriptor cut short before its
    // type (whatever byte follows the segment): no halves to split.
    EXPECT_FALSE(halvesOf(WithJpsDescriptor(jpeg, 0, 1)));
    EXPECT_FALSE(halvesOf(WithJpsDescriptor(jpeg, 0, 2, 0)));
    const std::string cutShort = Segment(0xE3, "_JPSJPS_" + Be(4, 2) + std::string(2, '\0') + "\x02");
    EXPECT_FALSE(halvesOf(jpeg.substr(0, 2) + cutShort + "\x01" + jpeg.substr(2)));

    // A JPEG of any name is a stereo file by its descriptor.
    WriteBytes("described.jpg", WithJpsDescriptor(jpeg, 0));
    EXPECT_TRUE(IsStereoFile("described.jpg"));
    EXPECT_FALSE(IsStereoFile("plain.jpg"));
}

TEST_F(PairFilesTest, EyesOfDifferentSizesAreRefusedNotCropped)
{
    Save(RandomImage(30, 20, random).get(), "l.png", kSavePng);
    Save(RandomImage(30, 22, random).get(), "r.png", kSavePng);
    const PairRead pair = Read({"", std::nullopt, "l.png", "r.png"});
    EXPECT_FALSE(pair.left);
    EXPECT_EQ(pair.problem, "its eyes differ in size: 30 x 20 and 30 x 22");
    EXPECT_EQ(pair.kind, FileProblem::kUnreadable);
    // An MPO's eyes too, however the sizes differ.
    const std::string narrow = Jpeg("narrow.jpg", 40, 30), wide = Jpeg("wide.jpg", 42, 30);
    WriteBytes("sizes.mpo", Text(BuildStereoMpo(Bytes(narrow), Bytes(wide))));
    const PairRead mpo = Read({"sizes.mpo", std::nullopt, "", ""});
    EXPECT_FALSE(mpo.left);
    EXPECT_EQ(mpo.problem, "its eyes differ in size: 40 x 30 and 42 x 30");
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

TEST_F(PairFilesTest, OnlyAnIndexOfTwoViewsMakesAStereoFile)
{
    constexpr std::uint32_t primary = 0x030000, undefined = 0;
    const std::string photo = Jpeg("photo.jpg", 40, 30), same = Jpeg("same.jpg", 40, 30);
    const std::string small = Jpeg("small.jpg", 10, 8);
    // A camera's preview and a phone's smaller gain map are indexed beside
    // ordinary photos, which the window opens as pictures and batch passes by.
    WriteBytes("preview.jpg", TwoPictures(photo, primary, small, kMpLargeThumbnail));
    WriteBytes("gainmap.jpg", TwoPictures(photo, primary, small, undefined));
    for (const char* name : {"preview.jpg", "gainmap.jpg"}) {
        EXPECT_FALSE(IsStereoFile(name)) << name;
        const PairRead refused = Read({name, std::nullopt, "", ""});
        EXPECT_FALSE(refused.left) << name;
        EXPECT_EQ(refused.problem, "it holds no two views of a stereo pair");
    }
    const auto index = IndexOf(ReadBytes("gainmap.jpg"));
    ASSERT_TRUE(std::holds_alternative<std::vector<MpImage>>(index)) << std::get<std::string>(index);
    EXPECT_EQ(std::get<std::vector<MpImage>>(index).at(0).width, 40u);
    EXPECT_EQ(std::get<std::vector<MpImage>>(index).at(1).height, 8u);

    // Two pictures of one size so marked are another program's pair.
    WriteBytes("theirs.mpo", TwoPictures(photo, primary, same, undefined));
    EXPECT_TRUE(IsStereoFile("theirs.mpo"));
    const PairRead theirs = Read({"theirs.mpo", std::nullopt, "", ""});
    ASSERT_TRUE(theirs.left) << theirs.problem;
    EXPECT_TRUE(SameBitmaps(theirs.right.get(), Decoded("same.jpg").get()));

    // An index that no longer fits the file (an editor kept it) makes no
    // stereo file either; read as a pair, the file says what is wrong.
    WriteBytes("edited.jpg", LittleEndianMpo(photo, {{primary, 100, 0}, {primary, 10, 5}}, same, 2));
    EXPECT_FALSE(IsStereoFile("edited.jpg"));
    EXPECT_EQ(Read({"edited.jpg", std::nullopt, "", ""}).problem, "pictures of its MP index overlap");

    // A picture of both eyes may index its preview as well: its halves are the eyes.
    WriteBytes("both.jpg", TwoPictures(WithJpsDescriptor(photo, 0), primary, small, kMpLargeThumbnail));
    EXPECT_TRUE(IsStereoFile("both.jpg"));
    const PairRead halves = Read({"both.jpg", std::nullopt, "", ""});
    ASSERT_TRUE(halves.left) << halves.problem;
    EXPECT_EQ(Width(halves.left.get()), 20);
    // So may one the user says holds both eyes, or one named as a cross-eyed
    // pair, and any of them may keep an index that no longer fits it.
    WriteBytes("preview.jps", ReadBytes("preview.jpg"));
    WriteBytes("edited-both.jpg",
               LittleEndianMpo(WithJpsDescriptor(photo, 0), {{primary, 100, 0}, {primary, 10, 5}}, same, 2));
    EXPECT_TRUE(IsStereoFile("edited-both.jpg"));
    for (const PairSource& source :
         {PairSource{"gainmap.jpg", kParallelHalves, "", ""}, PairSource{"preview.jps", std::nullopt, "", ""},
          PairSource{"edited.jpg", kParallelHalves, "", ""}, PairSource{"edited-both.jpg", std::nullopt, "", ""}}) {
        const PairRead read = Read(source);
        ASSERT_TRUE(read.left) << source.stereo << ": " << read.problem;
        EXPECT_EQ(Width(read.left.get()), 20);
    }
}

} // namespace
} // namespace velmora::test
