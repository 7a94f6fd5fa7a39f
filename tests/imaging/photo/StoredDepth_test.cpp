// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/photo/StoredDepth.h"

#include "tests/support/PhoneJpegs.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velmora::test {
namespace {

StoredDepthRead Read(const std::string& file, const RunOptions& options = {})
{
    FileBytes bytes(reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
    return ReadJpegStoredDepth(bytes, options);
}

std::vector<int> GreysFromTop(FIBITMAP* depth)
{
    std::vector<int> greys;
    for (int y = 0; y < Height(depth); ++y)
        for (int x = 0; x < Width(depth); ++x) {
            const Bgr pixel = PixelOf(depth, x, Height(depth) - 1 - y);
            EXPECT_TRUE(pixel.blue == pixel.green && pixel.green == pixel.red);
            greys.push_back(pixel.red);
        }
    return greys;
}

// Levels 0, 100, 200 and 255 under RangeInverse: disparity 1 / d is linear
// in the stored level, from 1 / near at 0 to 1 / far at 255, so the greys are
// 255 minus the level.
const std::vector<int> kInverseLevels {0, 100, 200, 255};
const std::vector<int> kInverseGreys {255, 155, 55, 0};

TEST(GoogleDepthTest, RangeInverseAttributesGiveDisparityLinearGreys)
{
    const std::string png = GreyPng(4, 1, kInverseLevels);
    const StoredDepthRead read =
        Read(WithSegments(Photo(), {App1(kMainId, GDepthAttributes("RangeInverse", "0.5", "4.25", Base64(png)))}));
    ASSERT_TRUE(read.found) << read.problem;
    EXPECT_EQ(read.problem, "");
    EXPECT_EQ(read.source, "Google depth map");
    ASSERT_EQ(Width(read.depth.get()), 4);
    ASSERT_EQ(Height(read.depth.get()), 1);
    EXPECT_EQ(BitsPerPixel(read.depth.get()), 24);
    EXPECT_EQ(GreysFromTop(read.depth.get()), kInverseGreys);
}

TEST(GoogleDepthTest, RangeLinearElementsUnderAnotherPrefixWithEntitiesAndWrappedData)
{
    // near 1, far 2: level v is at d = 1 + v / 255, grey 255 (2 / d - 1).
    const std::string data = Base64(GreyPng(5, 1, {0, 51, 102, 204, 255}));
    const std::string wrapped = data.substr(0, 10) + "&#10;" + data.substr(10, 10) + "\n  " + data.substr(20);
    const std::string packet =
        Packet("<rdf:Description rdf:about=\"\" xmlns:gd=\"http://ns.google.com/photos/1.0/depthmap/\">"
               "<gd:Format>Range&#76;inear</gd:Format><gd:Near> 1 </gd:Near><gd:Far>2.0</gd:Far>"
               "<gd:Mime>image/png</gd:Mime><gd:Data>" +
               wrapped + "</gd:Data></rdf:Description>");
    const StoredDepthRead read = Read(WithSegments(Photo(), {App1(kMainId, packet)}));
    ASSERT_TRUE(read.found) << read.problem;
    EXPECT_EQ(GreysFromTop(read.depth.get()), (std::vector<int> {255, 170, 109, 28, 0}));
}

TEST(GoogleDepthTest, SixteenBitsAtTheirOwnSizeWithTheTopRowOnTop)
{
    // 3 x 2 beside an 8 x 8 photograph: the map keeps its size.
    const std::string png = GreyPng(3, 2, {0, 32768, 65535, 65535, 65535, 0}, true);
    const StoredDepthRead read =
        Read(WithSegments(Photo(), {App1(kMainId, GDepthAttributes("RangeInverse", "1", "10", Base64(png)))}));
    ASSERT_TRUE(read.found) << read.problem;
    ASSERT_EQ(Width(read.depth.get()), 3);
    ASSERT_EQ(Height(read.depth.get()), 2);
    EXPECT_EQ(GreysFromTop(read.depth.get()), (std::vector<int> {255, 127, 0, 0, 0, 255}));
}

// The packet whose data lives in the extended XMP, as chunks of it.
struct ExtendedFile {
    std::string mainSegment;
    std::string packet;
};

ExtendedFile WithExtendedData()
{
    const std::string data = Base64(GreyPng(4, 1, kInverseLevels));
    return {App1(kMainId,
                 GDepthAttributes("RangeInverse", "0.5", "4.25", "",
                                  " xmpNote:HasExtendedXMP=\"" + std::string(kGuid) + "\"")),
            Packet("<rdf:Description rdf:about=\"\" xmlns:GDepth=\"http://ns.google.com/photos/1.0/depthmap/\" "
                   "GDepth:Data=\"" +
                   data + "\"/>")};
}

TEST(GoogleDepthTest, ExtendedChunksJoinInAnyOrderPastOtherGuidsAndAgreeingOverlaps)
{
    const auto [main, packet] = WithExtendedData();
    const std::size_t third = packet.size() / 3, size = packet.size();
    const StoredDepthRead read =
        Read(WithSegments(Photo(),
                          {main, ExtendedChunk(kGuid, size, 2 * third, packet.substr(2 * third)),
                           ExtendedChunk("00000000000000000000000000000000", size, 0, std::string(third, 'x')),
                           ExtendedChunk(kGuid, size, 0, packet.substr(0, third + 5)),
                           ExtendedChunk(kGuid, size, third, packet.substr(third, third))}));
    ASSERT_TRUE(read.found) << read.problem;
    EXPECT_EQ(GreysFromTop(read.depth.get()), kInverseGreys);
}

TEST(GoogleDepthTest, BrokenExtendedXmpIsAProblemInWords)
{
    const auto [main, packet] = WithExtendedData();
    const std::size_t half = packet.size() / 2, size = packet.size();
    std::string altered = packet.substr(0, half + 4);
    altered.back() ^= 1;
    const struct {
        const char* what;
        std::vector<std::string> chunks;
        const char* problem;
    } cases[] = {
        {"a part missing", {ExtendedChunk(kGuid, size, 0, packet.substr(0, half))}, "parts of it are missing"},
        {"only another GUID",
         {ExtendedChunk("11111111111111111111111111111111", size, 0, packet)},
         "is not in the file"},
        {"overlaps that disagree",
         {ExtendedChunk(kGuid, size, 0, altered), ExtendedChunk(kGuid, size, half, packet.substr(half))},
         "overlap and disagree"},
        {"a chunk past the length", {ExtendedChunk(kGuid, size, half + 1, packet.substr(half))}, "reaches past"},
        {"lengths that differ",
         {ExtendedChunk(kGuid, size, 0, packet.substr(0, half)),
          ExtendedChunk(kGuid, size + 1, half, packet.substr(half))},
         "disagree on its length"},
        {"a length beyond the file", {ExtendedChunk(kGuid, 0x7FFFFFFF, 0, packet)}, "more than the whole file"},
    };
    for (const auto& each : cases) {
        std::vector<std::string> segments {main};
        segments.insert(segments.end(), each.chunks.begin(), each.chunks.end());
        const StoredDepthRead read = Read(WithSegments(Photo(), segments));
        EXPECT_FALSE(read.found) << each.what;
        EXPECT_FALSE(read.depth) << each.what;
        EXPECT_NE(read.problem.find("its stored depth map cannot be read"), std::string::npos) << each.what;
        EXPECT_NE(read.problem.find(each.problem), std::string::npos) << each.what << ": " << read.problem;
    }
}

TEST(GoogleDepthTest, BadDataOrRangeIsAProblemInWords)
{
    const std::string png = GreyPng(4, 1, kInverseLevels);
    const std::string data = Base64(png);
    const struct {
        std::string packet;
        const char* problem;
    } cases[] = {
        {GDepthAttributes("RangeInverse", "1", "2", data.substr(0, 8) + "*" + data.substr(8)), "is not valid base64"},
        {GDepthAttributes("RangeInverse", "1", "2", data.substr(0, 8) + "=" + data.substr(8)), "is not valid base64"},
        {GDepthAttributes("RangeInverse", "0", "2", data), "impossible range: near 0, far 2"},
        {GDepthAttributes("RangeInverse", "3", "2", data), "impossible range"},
        {GDepthAttributes("RangeInverse", "near", "2", data), "no readable near and far"},
        {GDepthAttributes("RangeSquare", "1", "2", data), "unknown format \"RangeSquare\""},
        {GDepthAttributes("RangeInverse", "1", "2", Base64(png.substr(0, png.size() - 20))), "cannot be decoded"},
        {GDepthAttributes("RangeInverse", "1", "2", Base64("GIF89a")), "neither a JPEG nor a PNG"},
    };
    for (const auto& each : cases) {
        const StoredDepthRead read = Read(WithSegments(Photo(), {App1(kMainId, each.packet)}));
        EXPECT_FALSE(read.found) << each.problem;
        EXPECT_NE(read.problem.find(each.problem), std::string::npos) << each.problem << ": " << read.problem;
    }
}

TEST(GoogleDepthTest, ADepthImageOverThePictureLimitIsRefusedBeforeDecoding)
{
    RunOptions options;
    options.pictureLimit = 1000;
    const std::string png = GreyPng(64, 64, std::vector<int>(64 * 64, 7));
    const StoredDepthRead read =
        Read(WithSegments(Photo(), {App1(kMainId, GDepthAttributes("RangeLinear", "1", "2", Base64(png)))}), options);
    EXPECT_FALSE(read.found);
    EXPECT_NE(read.problem.find("is too large: 64 x 64 pixels"), std::string::npos) << read.problem;
}

TEST(StoredDepthTest, APhotoWithoutADepthMapHasNoneAndNoProblem)
{
    const std::string otherXmp = Packet("<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
                                        "dc:format=\"image/jpeg\" note=\"GDepth:Near='1'\"/>");
    for (const std::string& file :
         {Photo(), WithSegments(Photo(), {App1(kMainId, otherXmp)}), std::string("no jpeg")}) {
        const StoredDepthRead read = Read(file);
        EXPECT_FALSE(read.found);
        EXPECT_FALSE(read.depth);
        EXPECT_EQ(read.problem, "");
    }
}

// A Dynamic Depth photograph: the primary image, then a confidence map and
// the depth map appended in the directory's order, each with padding.
std::string DynamicDepthFile(const std::string& depth, const std::string& depthLength)
{
    const std::string confidence = GreyPng(2, 2, {1, 2, 3, 4});
    const std::string xmp = Packet(
        "<rdf:Description rdf:about=\"\" xmlns:Device=\"http://ns.google.com/photos/dd/1.0/device/\" "
        "xmlns:Container=\"http://ns.google.com/photos/dd/1.0/container/\" "
        "xmlns:Item=\"http://ns.google.com/photos/dd/1.0/item/\" "
        "xmlns:Camera=\"http://ns.google.com/photos/dd/1.0/camera/\" "
        "xmlns:DepthMap=\"http://ns.google.com/photos/dd/1.0/depthmap/\">"
        "<Device:Container><Container:Directory><rdf:Seq>"
        "<rdf:li rdf:parseType=\"Resource\"><Container:Item Item:Mime=\"image/jpeg\" Item:Semantic=\"Primary\" "
        "Item:Padding=\"3\"/></rdf:li>"
        "<rdf:li rdf:parseType=\"Resource\"><Container:Item Item:Mime=\"image/png\" Item:Semantic=\"Confidence\" "
        "Item:Length=\"" +
        std::to_string(confidence.size()) +
        "\" Item:Padding=\"2\" Item:DataURI=\"android/confidencemap\"/></rdf:li>"
        "<rdf:li rdf:parseType=\"Resource\"><Container:Item rdf:parseType=\"Resource\">"
        "<Item:Mime>image/png</Item:Mime><Item:Semantic>Depth</Item:Semantic><Item:Length>" +
        depthLength +
        "</Item:Length><Item:DataURI>android/depth&amp;map</Item:DataURI></Container:Item></rdf:li>"
        "</rdf:Seq></Container:Directory></Device:Container>"
        "<Device:Cameras><rdf:Seq><rdf:li rdf:parseType=\"Resource\"><Device:Camera>"
        "<Camera:DepthMap DepthMap:ItemSemantic=\"Segmentation\" DepthMap:DepthURI=\"android/confidencemap\" "
        "DepthMap:Format=\"RangeLinear\" DepthMap:Near=\"1\" DepthMap:Far=\"2\"/>"
        "<Camera:DepthMap DepthMap:ItemSemantic=\"Depth\" DepthMap:Format=\"RangeInverse\" DepthMap:Near=\"0.3\" "
        "DepthMap:Far=\"7\" DepthMap:Units=\"Meters\" DepthMap:DepthURI=\"android/depth&amp;map\"/>"
        "</Device:Camera></rdf:li></rdf:Seq></Device:Cameras></rdf:Description>");
    return WithSegments(Photo(), {App1(kMainId, xmp)}) + "pad" + confidence + "pp" + depth;
}

TEST(DynamicDepthTest, TheDepthItemIsFoundByItsUriAfterThePrimaryImage)
{
    const std::string depth = GreyPng(2, 2, {0, 100, 200, 255});
    const StoredDepthRead read = Read(DynamicDepthFile(depth, std::to_string(depth.size())));
    ASSERT_TRUE(read.found) << read.problem;
    EXPECT_EQ(read.source, "Dynamic Depth");
    EXPECT_EQ(GreysFromTop(read.depth.get()), kInverseGreys);
}

TEST(DynamicDepthTest, ItemsClaimingMoreThanTheFileOrAMissingDepthItemAreProblems)
{
    const std::string depth = GreyPng(2, 2, {0, 100, 200, 255});
    const StoredDepthRead huge = Read(DynamicDepthFile(depth, "99999999999"));
    EXPECT_FALSE(huge.found);
    EXPECT_NE(huge.problem.find("claim more bytes than the file holds"), std::string::npos) << huge.problem;

    const StoredDepthRead noLength = Read(DynamicDepthFile(depth, "-5"));
    EXPECT_NE(noLength.problem.find("without a readable length"), std::string::npos) << noLength.problem;

    std::string renamed = DynamicDepthFile(depth, std::to_string(depth.size()));
    renamed.replace(renamed.find("<Item:DataURI>android/depth"), 27, "<Item:DataURI>android/other");
    const StoredDepthRead missing = Read(renamed);
    EXPECT_NE(missing.problem.find("names an item \"android/depth&map\" that its container does not hold"),
              std::string::npos)
        << missing.problem;
}

} // namespace
} // namespace velmora::test
