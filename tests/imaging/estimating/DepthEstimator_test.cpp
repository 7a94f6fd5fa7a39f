// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/estimating/DepthEstimator.h"

#include "tests/imaging/estimating/BlockPicture.h"
#include "tests/support/RunProgram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace velmora::test {
namespace {

// The tiny models of make_depth_models.py, written once for the suite.
class DepthEstimatorTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        hasOnnx_ = PythonHas("onnx");
        if (!hasOnnx_)
            return;
        std::string pattern = (std::filesystem::temp_directory_path() / "velmora-models-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        const ProgramResult made = RunProgram(kPython, {VELMORA_DEPTH_MODELS_SCRIPT, folder_.string()});
        if (made.exitCode != 0)
            failure_ = "the models were not made: " + made.err;
    }
    static void TearDownTestSuite()
    {
        std::error_code ignored;
        if (!folder_.empty())
            std::filesystem::remove_all(folder_, ignored);
    }
    void SetUp() override
    {
        if (!hasOnnx_)
            GTEST_SKIP() << kPython << " has no onnx module to make the test models with";
        ASSERT_TRUE(failure_.empty()) << failure_;
    }
    static std::string Model(const std::string& name) { return (folder_ / (name + ".onnx")).string(); }

    static inline bool hasOnnx_ = false;
    static inline std::filesystem::path folder_;
    static inline std::string failure_;
};

// Options that hand the network the picture's values as they are.
EstimatorOptions PlainOptions(int width, int height)
{
    EstimatorOptions options;
    options.inputWidth = width;
    options.inputHeight = height;
    options.mean = {0, 0, 0};
    options.scale = {255, 255, 255};
    return options;
}

DisparityMap Disparity(FIBITMAP* picture, const std::string& model, const EstimatorOptions& options)
{
    auto estimate = EstimateDisparity(picture, model, options, RunOptions {});
    if (auto* problem = std::get_if<std::string>(&estimate))
        ADD_FAILURE() << *problem;
    return std::get_if<DisparityMap>(&estimate) ? std::get<DisparityMap>(estimate) : DisparityMap {};
}

int GreyAt(FIBITMAP* map, int x, int yFromTop) { return PixelAt(map, x, Height(map) - 1 - yFromTop)[0]; }

TEST_F(DepthEstimatorTest, TheInputFollowsTheOptionsChannelOrderMeanAndScale)
{
    // 1 c0^2 + 10 c1^2 + 100 c2^2 of the input's channels, at the picture's size.
    const int width = 7, height = 5;
    const Bitmap picture = MakeImage(width, height, [](int x, int y) {
        return Bgr {static_cast<std::uint8_t>(30 * x + y), static_cast<std::uint8_t>(200 - 20 * y),
                    static_cast<std::uint8_t>(17 * x * y % 256)};
    });
    EstimatorOptions options;
    options.inputWidth = width;
    options.inputHeight = height;
    options.mean = {0.2f, 0.4f, 0.6f};
    options.scale = {1.5f, 2, 2.5f};
    for (const bool rgb : {true, false}) {
        options.rgb = rgb;
        const DisparityMap map = Disparity(picture.get(), Model("weighted_squares"), options);
        ASSERT_EQ(map.values.size(), static_cast<std::size_t>(width * height));
        std::vector<double> expected;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const Bgr pixel = PixelOf(picture.get(), x, height - 1 - y);
                const int values[3] = {rgb ? pixel.red : pixel.blue, pixel.green, rgb ? pixel.blue : pixel.red};
                double sum = 0;
                for (int c = 0; c < 3; ++c)
                    sum += std::pow(10, c) * std::pow((values[c] / 255.0 - options.mean[c]) * options.scale[c], 2);
                EXPECT_NEAR(map.values[expected.size()], sum, 1e-4 * sum) << x << "," << y;
                expected.push_back(sum);
            }

        // Our grey depth map spans that estimate's own range, the top row on top.
        const EstimateResult result = EstimateDepth(picture.get(), Model("weighted_squares"), options, RunOptions {});
        ASSERT_TRUE(result.depth) << result.problem;
        const auto [lowest, highest] = std::minmax_element(expected.begin(), expected.end());
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const double grey = (expected[y * width + x] - *lowest) / (*highest - *lowest) * 255;
                EXPECT_NEAR(GreyAt(result.depth.get(), x, y), std::floor(grey + 0.5), 1) << x << "," << y;
            }
    }
}

// Bilinear at twice the size: each pixel centre a quarter of the way towards its
// neighbour of the small plane, the edges repeated.
float TwiceAt(const std::vector<float>& small, int side, int x, int y)
{
    const auto along = [side](int at, int& near, int& far) {
        near = at / 2;
        far = std::clamp(at % 2 ? near + 1 : near - 1, 0, side - 1);
    };
    int x0, x1, y0, y1;
    along(x, x0, x1);
    along(y, y0, y1);
    const auto at = [&](int ax, int ay) { return small[ay * side + ax]; };
    return 0.5625f * at(x0, y0) + 0.1875f * (at(x1, y0) + at(x0, y1)) + 0.0625f * at(x1, y1);
}

TEST_F(DepthEstimatorTest, ALargerPictureIsAveragedDownAndTheOutputStretchedBack)
{
    const Bitmap picture = BlockPicture(4, 2);
    std::vector<float> small;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            small.push_back(BlockColour(x, y).red);
    for (const char* model : {"first_channel", "first_channel_flat"}) {
        const DisparityMap map = Disparity(picture.get(), Model(model), PlainOptions(4, 4));
        ASSERT_EQ(map.values.size(), 64u) << model;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                EXPECT_NEAR(map.values[y * 8 + x], TwiceAt(small, 4, x, y), 1e-3) << model << " " << x << "," << y;
    }
}

TEST_F(DepthEstimatorTest, ADepthOutputIsNearWhereItIsSmall)
{
    const Bitmap picture = MakeImage(2, 1, [](int x, int) { return Grey(x ? 200 : 50); });
    EstimatorOptions options = PlainOptions(2, 1);
    const EstimateResult inverse = EstimateDepth(picture.get(), Model("first_channel"), options, RunOptions {});
    ASSERT_TRUE(inverse.depth) << inverse.problem;
    EXPECT_EQ(GreyAt(inverse.depth.get(), 0, 0), 0);
    EXPECT_EQ(GreyAt(inverse.depth.get(), 1, 0), 255);
    options.output = DepthOutput::kDepth;
    const EstimateResult depth = EstimateDepth(picture.get(), Model("first_channel"), options, RunOptions {});
    ASSERT_TRUE(depth.depth) << depth.problem;
    EXPECT_EQ(GreyAt(depth.depth.get(), 0, 0), 255);
    EXPECT_EQ(GreyAt(depth.depth.get(), 1, 0), 0);
}

TEST_F(DepthEstimatorTest, ModelsThatGiveNoDepthOrTakeAnotherSizeAreRefusedByName)
{
    const Bitmap picture = BlockPicture(8, 2);
    const EstimateResult colours = EstimateDepth(picture.get(), Model("three_channels"), PlainOptions(4, 4), {});
    EXPECT_FALSE(colours.depth);
    EXPECT_EQ(colours.problem,
              "depth model " + Model("three_channels") +
                  ": its output has shape 1x3x4x4; a depth model gives one value per pixel");

    // A model made for 8 x 8 runs at that size alone.
    EXPECT_TRUE(EstimateDepth(picture.get(), Model("fixed_8x8"), PlainOptions(8, 8), {}).depth);
    const EstimateResult other = EstimateDepth(picture.get(), Model("fixed_8x8"), PlainOptions(12, 12), {});
    EXPECT_FALSE(other.depth);
    EXPECT_EQ(other.problem.rfind("depth model " + Model("fixed_8x8") + ": it did not run on a 12x12 input (", 0), 0u)
        << other.problem;
    EXPECT_NE(other.problem.find("needs that size in the options"), std::string::npos) << other.problem;
}

TEST(DepthEstimatorFilesTest, AMissingFolderOrNonModelFileIsAMessageNamingIt)
{
    Sandbox sandbox;
    WriteBytes(sandbox.Path("notes.onnx"), "not a model at all\n");
    const Bitmap picture = BlockPicture(4, 2);
    const auto problem = [&](const std::string& path) {
        const EstimateResult result = EstimateDepth(picture.get(), path, EstimatorOptions {}, RunOptions {});
        EXPECT_FALSE(result.depth);
        return result.problem;
    };
    EXPECT_EQ(problem(sandbox.Path("missing.onnx")), "depth model " + sandbox.Path("missing.onnx") + ": no such file");
    EXPECT_EQ(problem(sandbox.Path(".")), "depth model " + sandbox.Path(".") + ": not a regular file");
    EXPECT_EQ(problem(sandbox.Path("notes.onnx"))
                  .rfind("depth model " + sandbox.Path("notes.onnx") + ": not an ONNX model that OpenCV can read (", 0),
              0u);

    EstimatorOptions none;
    none.inputWidth = 0;
    const EstimateResult sizeless = EstimateDepth(picture.get(), sandbox.Path("notes.onnx"), none, RunOptions {});
    EXPECT_EQ(sizeless.problem, "the input size 0x256 is not one a depth model takes");
}

} // namespace
} // namespace velmora::test
