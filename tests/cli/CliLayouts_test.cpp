// SPDX-License-Identifier: GPL-3.0-or-later

// The stereo layouts, anaglyph methods, inverted depth maps and JPEG output
// of velmora-cli, run as a user runs them.

#include "imaging/formats/ImageFile.h"
#include "imaging/stereo/SideBySide.h"
#include "tests/cli/CliRun.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <tuple>

#include <filesystem>

namespace velmora::test {
namespace {

const std::string kSampleImage = std::string(VELMORA_SAMPLES) + "/sample.png";
const std::string kSampleDepth = std::string(VELMORA_SAMPLES) + "/sample-depth.png";

// The command with the sample's picture and depth map.
std::vector<std::string> OnSample(const std::string& command, std::vector<std::string> more)
{
    std::vector<std::string> arguments = {command, "--image", kSampleImage, "--depth", kSampleDepth};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
}

class CliLayoutsTest : public ::testing::Test {
protected:
    Sandbox sandbox;
};

TEST_F(CliLayoutsTest, SideBySideIsThePairsEyesComposed)
{
    const ProgramResult pair =
        Cli(OnSample("pair", {"--parallax", "11", "--window", "4", "--left", "left.bmp", "--right", "right.tif"}));
    ASSERT_EQ(pair.exitCode, 0) << pair.err;
    EXPECT_EQ(ReadBytes("right.tif").substr(0, 2), "II");
    EXPECT_TRUE(SamePixels(kSampleImage, "right.tif"));

    // The view command does not smooth: compare with a pair made without.
    ASSERT_EQ(Cli(OnSample("pair", {"--parallax", "11", "--window", "4", "--radius", "0", "--left", "l0.bmp",
                                    "--right", "r0.bmp"}))
                  .exitCode,
              0);
    ASSERT_EQ(Cli({"view", "--image", kSampleImage, "--depth", kSampleDepth, "--parallax", "11", "--window", "4",
                   "-o", "view.bmp"})
                  .exitCode,
              0);
    EXPECT_TRUE(SamePixels("view.bmp", "l0.bmp"));

    const std::pair<std::string, PairLayout> layouts[] = {
        {"parallel", PairLayout::kParallel}, {"CROSS", PairLayout::kCross}, {"top-bottom", PairLayout::kTopBottom}};
    for (const auto& [name, layout] : layouts)
        for (bool half : {false, true}) {
            std::vector<std::string> arguments = {"--parallax", "11", "--window", "4", "--layout", name, "-o",
                                                  "sbs.png"};
            if (half)
                arguments.push_back("--half");
            const ProgramResult sbs = Cli(OnSample("sbs", arguments));
            ASSERT_EQ(sbs.exitCode, 0) << sbs.err;
            const auto left = ReadRgbImageFile("left.bmp", RunOptions{}),
                       right = ReadRgbImageFile("right.tif", RunOptions{});
            StereoSettings settings;
            settings.pixelsPerMetre = 2835;
            NullSink quiet;
            Bitmap expected =
                ComposeSideBySide(left.bitmap.get(), right.bitmap.get(), layout, half, settings, RunOptions{}, quiet);
            Save(expected.get(), "expected.bmp");
            EXPECT_TRUE(SamePixels("expected.bmp", "sbs.png")) << name << " half " << half;
        }
}

// "v" and 3: "v3.png".
std::string Numbered(const std::string& stem, int k)
{
    return stem + std::to_string(k) + ".png";
}

TEST_F(CliLayoutsTest, ViewsAreTheViewCommandRunForEachShare)
{
    // 10 x k / 4 and 7 x k / 4, rounded half away from zero.
    const ProgramResult views = Cli(OnSample(
        "views", {"--count", "5", "--parallax", "10", "--window", "7", "--radius", "0", "-o", "v%%-%03d.png"}));
    ASSERT_EQ(views.exitCode, 0) << views.err;
    // From the leftmost eye (the whole parallax) to the rightmost, the picture itself.
    EXPECT_TRUE(SamePixels(kSampleImage, "v%-004.png"));
    const int parallaxes[] = {0, 3, 5, 8, 10}, windows[] = {0, 2, 4, 5, 7};
    for (int k = 1; k < 5; ++k) {
        ASSERT_EQ(Cli({"view", "--image", kSampleImage, "--depth", kSampleDepth, "--parallax",
                       std::to_string(parallaxes[k]), "--window", std::to_string(windows[k]), "-o", "one.bmp"})
                      .exitCode,
                  0);
        EXPECT_TRUE(SamePixels("one.bmp", "v%-00" + std::to_string(4 - k) + ".png")) << k;
    }
    EXPECT_FALSE(std::filesystem::exists("v%-005.png"));
    // Numbered the other way, from the picture.
    ASSERT_EQ(Cli(OnSample("views", {"--count", "5", "--parallax", "10", "--window", "7", "--radius", "0", "--order",
                                     "right-to-left", "-o", "r%d.png"}))
                  .exitCode,
              0);
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(ReadBytes(Numbered("r", k)), ReadBytes(Numbered("v%-00", 4 - k)))
            << k;

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--count", "1", "-o", "v%d.png"}, {"--count", "65", "-o", "v%d.png"},
          {"--count", "3", "-o", "v%d%d.png"}, {"--count", "3", "-o", "v%s.png"}, {"--count", "3", "-o", "v.png"},
          {"--count", "3", "-o", "v%d"}, {"-o", "v%d.png"}}) {
        std::vector<std::string> arguments = bad;
        arguments.insert(arguments.end(), {"--parallax", "4"});
        EXPECT_EQ(Cli(OnSample("views", arguments)).exitCode, 2) << ::testing::PrintToString(bad);
    }
    // The five views twice and one.bmp; the refused runs wrote nothing.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 5 + 5 + 1);
}

TEST_F(CliLayoutsTest, ASymmetricSeriesHasThePictureInTheMiddle)
{
    ASSERT_EQ(Cli(OnSample("views", {"--count", "3", "--symmetric", "--parallax", "10", "--window", "7", "--radius",
                                     "0", "-o", "s%d.png"}))
                  .exitCode,
              0);
    EXPECT_TRUE(SamePixels(kSampleImage, "s1.png"));
    // Half the geometry to the left (3.5 rounds away from zero) and to the right.
    for (const auto& [file, parallax, window] : {std::tuple{0, "5", "4"}, {2, "-5", "-4"}}) {
        ASSERT_EQ(Cli({"view", "--image", kSampleImage, "--depth", kSampleDepth, "--parallax", parallax, "--window",
                       window, "-o", "one.bmp"})
                      .exitCode,
                  0);
        EXPECT_TRUE(SamePixels("one.bmp", Numbered("s", file))) << file;
    }
}

TEST_F(CliLayoutsTest, TheTopRowGoesToTheEyeADisplayNeeds)
{
    // The sample is 768 rows high: counted from the bottom, the view's (left eye's) first, the top row is the
    // picture's (right eye's).
    ASSERT_EQ(Cli(OnSample("lcshutter", {"--parallax", "8", "--radius", "0", "-o", "plain.png"})).exitCode, 0);
    ASSERT_EQ(Cli(OnSample("lcshutter", {"--parallax", "8", "--radius", "0", "--top-row", "right", "-o", "right.png"}))
                  .exitCode,
              0);
    EXPECT_EQ(ReadBytes("plain.png"), ReadBytes("right.png"));
    ASSERT_EQ(Cli(OnSample("lcshutter", {"--parallax", "8", "--radius", "0", "--top-row", "Left", "-o", "left.png"}))
                  .exitCode,
              0);
    ASSERT_EQ(
        Cli({"view", "--image", kSampleImage, "--depth", kSampleDepth, "--parallax", "8", "-o", "view.png"}).exitCode,
        0);
    const auto view = ReadPixels("view.png"), picture = ReadPixels(kSampleImage), left = ReadPixels("left.png");
    ASSERT_TRUE(view && picture && left);
    const int top = left->height - 1;
    for (int x = 0; x < left->width; x += 7) {
        EXPECT_EQ(left->At(x, top), view->At(x, top)) << x;
        EXPECT_EQ(left->At(x, top - 1), picture->At(x, top - 1)) << x;
        EXPECT_EQ(left->At(x, 0), picture->At(x, 0)) << x;
    }
    EXPECT_EQ(Cli(OnSample("lcshutter", {"--parallax", "8", "--top-row", "middle", "-o", "bad.png"})).exitCode, 2);
}

TEST_F(CliLayoutsTest, AnInvertedDepthMapActsAsItsNegative)
{
    const auto depth = ReadRgbImageFile(kSampleDepth, RunOptions{});
    ASSERT_TRUE(depth.bitmap);
    Bitmap negative = MakeImage(Width(depth.bitmap.get()), Height(depth.bitmap.get()), [&](int x, int y) {
        const Bgr d = PixelOf(depth.bitmap.get(), x, y);
        return Bgr{static_cast<std::uint8_t>(255 - d.blue), static_cast<std::uint8_t>(255 - d.green),
                   static_cast<std::uint8_t>(255 - d.red)};
    });
    Save(negative.get(), "negative.bmp");
    for (const char* command : {"anaglyph", "lcshutter", "sbs"}) {
        ASSERT_EQ(Cli({command, "--image", kSampleImage, "--depth", "negative.bmp", "--parallax", "9", "-o",
                       "plain.bmp"})
                      .exitCode,
                  0);
        ASSERT_EQ(Cli(OnSample(command, {"--invert-depth", "--parallax", "9", "-o", "inverted.bmp"})).exitCode, 0);
        EXPECT_EQ(ReadBytes("inverted.bmp"), ReadBytes("plain.bmp")) << command;
    }
    ASSERT_EQ(Cli({"smooth", "--depth", "negative.bmp", "--radius", "2", "-o", "plain.bmp"}).exitCode, 0);
    ASSERT_EQ(Cli({"smooth", "--depth", kSampleDepth, "--invert-depth", "--radius", "2", "-o", "inverted.bmp"})
                  .exitCode,
              0);
    EXPECT_EQ(ReadBytes("inverted.bmp"), ReadBytes("plain.bmp"));
    ASSERT_EQ(Cli({"outline", "--image", kSampleImage, "-o", "outline.bmp"}).exitCode, 0);
    ASSERT_EQ(Cli({"segsmooth", "--outline", "outline.bmp", "--depth", "negative.bmp", "-o", "plain.bmp"}).exitCode,
              0);
    ASSERT_EQ(Cli({"segsmooth", "--outline", "outline.bmp", "--depth", kSampleDepth, "--invert-depth", "-o",
                   "inverted.bmp"})
                  .exitCode,
              0);
    EXPECT_EQ(ReadBytes("inverted.bmp"), ReadBytes("plain.bmp"));
}

TEST_F(CliLayoutsTest, JpegOutputIsClosestAtQuality100AndIntermediatesStayLossless)
{
    ASSERT_EQ(Cli(OnSample("anaglyph", {"--parallax", "6", "--mode", "dubois", "-o", "exact.bmp"})).exitCode, 0);
    const ProgramResult best100 = Cli(OnSample(
        "anaglyph", {"--parallax", "6", "--mode", "dubois", "-o", "best.jpeg", "--quality", "100", "--keep-temp"}));
    ASSERT_EQ(best100.exitCode, 0);
    const std::string keptIn = "kept in ";
    const std::string kept = best100.err.substr(best100.err.find(keptIn) + keptIn.size());
    const std::filesystem::path keptPath = kept.substr(0, kept.find('\n'));
    EXPECT_EQ(keptPath.filename(), "DepthMapTemp.bmp");
    EXPECT_EQ(ReadBytes(keptPath).substr(0, 2), "BM");
    std::filesystem::remove_all(keptPath.parent_path());
    ASSERT_EQ(Cli(OnSample("anaglyph", {"--parallax", "6", "--mode", "dubois", "-o", "named.out", "--format", "JPG"}))
                  .exitCode,
              0);
    const Pixels exact = ReadPixels("exact.bmp").value(), best = ReadPixels("best.jpeg").value();
    EXPECT_EQ(ReadBytes("named.out").substr(0, 3), "\xFF\xD8\xFF");
    ASSERT_EQ(best.bytes.size(), exact.bytes.size());
    long long total = 0;
    for (std::size_t i = 0; i < exact.bytes.size(); ++i)
        total += std::abs(exact.bytes[i] - best.bytes[i]);
    EXPECT_LT(static_cast<double>(total) / exact.bytes.size(), 2.0); // a byte or so on average
    EXPECT_LT(ReadBytes("named.out").size(), ReadBytes("best.jpeg").size());    // quality 90 is smaller

    for (const char* bad : {"0", "101", "high"})
        EXPECT_EQ(Cli(OnSample("anaglyph", {"--parallax", "6", "-o", "q.jpg", "--quality", bad})).exitCode, 2) << bad;
    EXPECT_FALSE(std::filesystem::exists("q.jpg"));
}

TEST_F(CliLayoutsTest, PairRefusesOneFileForBothEyes)
{
    const ProgramResult same = Cli(OnSample("pair", {"--parallax", "3", "--left", "eye.bmp", "--right", "./eye.bmp"}));
    EXPECT_EQ(same.exitCode, 2);
    EXPECT_NE(same.err.find("one result would overwrite the other"), std::string::npos);
    const ProgramResult input =
        Cli(OnSample("pair", {"--parallax", "3", "--left", "eye.bmp", "--right", kSampleImage}));
    EXPECT_EQ(input.exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists("eye.bmp"));
}

TEST_F(CliLayoutsTest, SideBySideIsParallelUnlessToldOtherwise)
{
    ASSERT_EQ(Cli(OnSample("sbs", {"--parallax", "6", "-o", "default.png"})).exitCode, 0);
    ASSERT_EQ(Cli(OnSample("sbs", {"--parallax", "6", "--layout", "parallel", "-o", "parallel.png"})).exitCode, 0);
    ASSERT_EQ(Cli(OnSample("sbs", {"--parallax", "6", "--layout", "cross", "-o", "cross.png"})).exitCode, 0);
    EXPECT_TRUE(SamePixels("default.png", "parallel.png"));
    EXPECT_FALSE(SamePixels("default.png", "cross.png"));
}

TEST_F(CliLayoutsTest, ViewNamesArePaddedAsTheirPatternSays)
{
    const ProgramResult spaces =
        Cli(OnSample("views", {"--count", "12", "--parallax", "4", "--radius", "0", "-o", "s%3d.png"}));
    ASSERT_EQ(spaces.exitCode, 0) << spaces.err;
    for (const char* name : {"s  0.png", "s  9.png", "s 10.png", "s 11.png"})
        EXPECT_TRUE(std::filesystem::exists(name)) << name;
    const ProgramResult widest =
        Cli(OnSample("views", {"--count", "2", "--parallax", "4", "--radius", "0", "-o", "w%9d.png"}));
    ASSERT_EQ(widest.exitCode, 0) << widest.err;
    EXPECT_TRUE(std::filesystem::exists("w        1.png"));
    EXPECT_EQ(Cli(OnSample("views", {"--count", "2", "--parallax", "4", "-o", "x%10d.png"})).exitCode, 2);

    // Batch numbers a picture's views with two digits, past ten too.
    std::filesystem::create_directories("in");
    std::filesystem::copy_file(kSampleImage, "in/p.png");
    std::filesystem::copy_file(kSampleDepth, "in/p-depth.png");
    const ProgramResult batch = Cli({"batch", "views", "--images", "in", "--depth-suffix", "-depth", "--out", "out",
                                     "--count", "12", "--parallax", "4", "--radius", "0"});
    ASSERT_EQ(batch.exitCode, 0) << batch.err;
    for (const char* name : {"out/p-00.png", "out/p-09.png", "out/p-10.png", "out/p-11.png"})
        EXPECT_TRUE(std::filesystem::exists(name)) << name;
    EXPECT_TRUE(SamePixels("out/p-11.png", "s 11.png"));
}

} // namespace
} // namespace velmora::test
