// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/matching/PairAlignment.h"

#include "imaging/matching/FeatureMatching.h"
#include "imaging/matching/KeystoneModel.h"
#include "imaging/matching/PairDepth.h"

#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <random>
#include <utility>
#include <vector>

namespace velmora::test {
namespace {

// A scene with texture at every scale: shapes of random colours over noise,
// a little blurred, as a photograph's edges are.
cv::Mat Scene(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    cv::Mat scene(height, width, CV_8UC3);
    cv::randu(scene, cv::Scalar::all(0), cv::Scalar::all(255));
    cv::GaussianBlur(scene, scene, cv::Size(0, 0), 3);
    std::uniform_int_distribution<int> x(0, width), y(0, height), size(4, 60), byte(0, 255);
    for (int shape = 0; shape < 400; ++shape) {
        const cv::Scalar colour(byte(random), byte(random), byte(random));
        if (shape % 2)
            cv::circle(scene, {x(random), y(random)}, size(random), colour, cv::FILLED, cv::LINE_AA);
        else
            cv::rectangle(scene, cv::Rect(x(random), y(random), size(random), size(random)), colour, cv::FILLED);
    }
    cv::GaussianBlur(scene, scene, cv::Size(0, 0), 0.8);
    return scene;
}

// The right eye that `turn` degrees, `scale` and the offsets make of the
// left: right(x, y) = left(T(x, y)), T the transform alignment must find.
cv::Mat RightEye(const cv::Mat& left, double turn, double scale, double offsetX, double offsetY)
{
    const double radians = turn * CV_PI / 180;
    const cv::Matx23d toLeft(scale * std::cos(radians), -scale * std::sin(radians), offsetX,
                             scale * std::sin(radians), scale * std::cos(radians), offsetY);
    cv::Mat right;
    cv::warpAffine(left, right, toLeft, left.size(), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP, cv::BORDER_REFLECT);
    return right;
}

Bitmap ToBitmap(const cv::Mat& topDown)
{
    return MakeImage(topDown.cols, topDown.rows, [&](int x, int y) {
        const cv::Vec3b bgr = topDown.at<cv::Vec3b>(topDown.rows - 1 - y, x);
        return Bgr{bgr[0], bgr[1], bgr[2]};
    });
}

// A copy of `scene` with `patch` laid on it at `at`: a nearer object.
cv::Mat WithPatch(const cv::Mat& scene, const cv::Mat& patch, cv::Point at)
{
    cv::Mat both = scene.clone();
    patch.copyTo(both(cv::Rect(at, patch.size())));
    return both;
}

// A board of `columns` x `rows` black and white squares of `side` pixels.
cv::Mat Checkerboard(int columns, int rows, int side)
{
    cv::Mat board(rows * side, columns * side, CV_8UC3);
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column)
            board(cv::Rect(column * side, row * side, side, side))
                .setTo(cv::Scalar::all((row + column) % 2 ? 20 : 235));
    return board;
}

// Where `toEye` (a homography) puts `p`.
cv::Point2d EyeFrom(const cv::Matx33d& toEye, cv::Point2d p)
{
    const cv::Vec3d q = toEye * cv::Vec3d(p.x, p.y, 1);
    return {q[0] / q[2], q[1] / q[2]};
}

struct RowErrors {
    double median = 0, largest = 0;
};

// How far apart the aligned eyes put known matching points' rows.
RowErrors RowsApart(const Alignment& alignment, const std::vector<std::pair<cv::Point2d, cv::Point2d>>& matches)
{
    std::vector<double> errors;
    for (const auto& [left, right] : matches)
        errors.push_back(std::abs(AlignedPoint(alignment, false, {left.x, left.y})[1] -
                                  AlignedPoint(alignment, true, {right.x, right.y})[1]));
    std::sort(errors.begin(), errors.end());
    return {errors[errors.size() / 2], errors.back()};
}

AlignedPair Aligned(const cv::Mat& left, const cv::Mat& right, double margin = 0)
{
    auto aligned = AlignPair(ToBitmap(left).get(), ToBitmap(right).get(), margin);
    if (const auto* why = std::get_if<std::string>(&aligned)) {
        ADD_FAILURE() << *why;
        return {};
    }
    return std::move(std::get<AlignedPair>(aligned));
}

TEST(PairAlignmentTest, AKnownTurnScaleAndOffsetAreRecovered)
{
    const cv::Mat left = Scene(960, 640, 1);
    struct Case {
        double turn, scale, offsetY;
    };
    for (const Case& known : {Case{0.6, 1.004, 3.5}, Case{-1.3, 0.993, -7.25}, Case{0, 1, 12}}) {
        const AlignedPair pair = Aligned(left, RightEye(left, known.turn, known.scale, 0, known.offsetY));
        ASSERT_TRUE(pair.left);
        const Alignment& found = pair.alignment;
        EXPECT_NEAR(found.angle, known.turn, 0.05) << known.turn;
        EXPECT_NEAR(found.scale, known.scale, 0.001) << known.turn;
        // The offset is found at the top-left corner, where it applies.
        EXPECT_NEAR(found.offsetY, known.offsetY, 0.2) << known.turn;
        EXPECT_LT(found.verticalError, 0.2) << known.turn;
        EXPECT_EQ(Width(pair.left.get()), Width(pair.right.get()));
        EXPECT_EQ(Height(pair.left.get()), Height(pair.right.get()));
        EXPECT_EQ(Width(pair.left.get()), found.cropWidth);
    }
}

TEST(PairAlignmentTest, TheNearestPointEndsAtTheScreenOrTheMarginBehindIt)
{
    // A flat scene 14 pixels nearer in the left eye than in the right.
    const cv::Mat left = Scene(800, 600, 2);
    const cv::Mat right = RightEye(left, 0, 1, 14, 0);
    EXPECT_NEAR(Aligned(left, right).alignment.offsetX, 14, 0.3);
    EXPECT_NEAR(Aligned(left, right, 5).alignment.offsetX, 19, 0.3);
}

TEST(PairAlignmentTest, ConvergingCamerasKeystoneIsStraightenedAtEveryDepth)
{
    // A nearer patch 20 pixels apart between the eyes, then the right eye
    // narrowed towards one side and turned as a camera turned inwards sees it.
    const cv::Mat background = Scene(960, 640, 5), patch = Scene(300, 200, 6);
    const cv::Point patchAt(330, 220);
    const int apart = 20;
    const cv::Mat left = WithPatch(background, patch, patchAt);
    const cv::Matx33d centre(1, 0, 480, 0, 1, 320, 0, 0, 1),
        keystone(0.9999, -0.007, 0, 0.007, 0.9999, 6, 4e-5, -2e-5, 1);
    const cv::Matx33d toRight = centre * keystone * centre.inv();
    cv::Mat right;
    cv::warpPerspective(WithPatch(background, patch, patchAt - cv::Point(apart, 0)), right, toRight, left.size(),
                        cv::INTER_LINEAR, cv::BORDER_REFLECT);

    const Alignment alignment = Aligned(left, right).alignment;
    EXPECT_EQ(alignment.model, AlignmentModel::Keystone);
    EXPECT_LT(alignment.verticalError, 0.5 * alignment.similarityError);
    std::vector<std::pair<cv::Point2d, cv::Point2d>> known;
    const cv::Rect onPatch(patchAt, patch.size()),
        nearPatch(patchAt - cv::Point(apart + 10, 10), patch.size() + cv::Size(apart + 20, 20));
    for (int y = 40; y < 600; y += 20)
        for (int x = 40; x < 920; x += 20) {
            const cv::Point2d p(x, y);
            if (onPatch.contains(p))
                known.push_back({p, EyeFrom(toRight, p - cv::Point2d(apart, 0))});
            else if (!nearPatch.contains(p))
                known.push_back({p, EyeFrom(toRight, p)});
        }
    const RowErrors errors = RowsApart(alignment, known);
    EXPECT_LT(errors.median, 0.5);
    EXPECT_LT(errors.largest, 1.5);
}

TEST(PairAlignmentTest, ALevelPairAtTwoDepthsIsOnlyMovedAcross)
{
    // Rows that agree already: a keystone would only fit the matches' noise
    // and bend the rows for nothing.
    const cv::Mat background = Scene(960, 640, 8), patch = Scene(300, 200, 9);
    const cv::Point patchAt(330, 220);
    const cv::Mat left = WithPatch(background, patch, patchAt);
    const cv::Mat right = RightEye(WithPatch(background, patch, patchAt - cv::Point(16, 0)), 0, 1, 5, 0);
    const Alignment alignment = Aligned(left, right).alignment;
    EXPECT_EQ(alignment.model, AlignmentModel::Similarity);
    EXPECT_NEAR(alignment.angle, 0, 0.02);
    EXPECT_NEAR(alignment.offsetY, 0, 0.2);
    EXPECT_TRUE(RowsAlreadyAgree(alignment, left.cols, left.rows));
}

TEST(PairAlignmentTest, ARepeatedPatternIsMatchedAndSetsTheWindow)
{
    // A chessboard 30 pixels apart between the eyes before a background that
    // is not: the board is the nearest thing, so it sets the stereo window.
    const cv::Mat background = Scene(960, 640, 7), board = Checkerboard(10, 8, 40);
    const cv::Point boardAt(260, 160);
    const int apart = 30;
    const cv::Mat left = WithPatch(background, board, boardAt);
    const cv::Mat right = RightEye(WithPatch(background, board, boardAt - cv::Point(apart, 0)), 0.5, 1, 0, 5);

    const Alignment alignment = Aligned(left, right).alignment;
    EXPECT_NEAR(alignment.offsetX, apart, 1);
    std::vector<std::pair<cv::Point2d, cv::Point2d>> corners;
    const double radians = 0.5 * CV_PI / 180;
    const cv::Matx33d toRight =
        cv::Matx33d(std::cos(radians), -std::sin(radians), 0, std::sin(radians), std::cos(radians), 5, 0, 0, 1).inv();
    for (int row = 1; row < 8; ++row)
        for (int column = 1; column < 10; ++column) {
            const cv::Point2d corner(boardAt.x + 40 * column, boardAt.y + 40 * row);
            corners.push_back({corner, EyeFrom(toRight, corner - cv::Point2d(apart, 0))});
        }
    const RowErrors errors = RowsApart(alignment, corners);
    EXPECT_LT(errors.median, 0.5);
    EXPECT_LT(errors.largest, 1.5);
}

TEST(PairAlignmentTest, ThePairsOwnRowsFindMoreOfTheSceneThanARepeatedPatternsCopyOnePeriodOff)
{
    // A board before a background, the right eye 6 rows lower. Under the
    // pair's own rows nearly every feature finds a look-alike on its row; two
    // rows of squares off (one period), only the board's do.
    const cv::Mat background = Scene(960, 640, 21), board = Checkerboard(12, 10, 40);
    const cv::Point boardAt(200, 100);
    const int apart = 30, lower = 6, period = 80;
    const cv::Mat left = WithPatch(background, board, boardAt);
    const cv::Mat right = RightEye(WithPatch(background, board, boardAt - cv::Point(apart, 0)), 0, 1, 0, -lower);
    const auto support = [](const EyeFeatures& features, double rows) {
        return RowSupport(features, cv::Matx33d::eye(), cv::Matx33d(1, 0, 0, 0, 1, rows, 0, 0, 1), 2, -96, 480);
    };

    const EyeFeatures features = FindFeatures(left, right, kMatchingSide);
    const int own = support(features, -lower);
    EXPECT_GT(own, static_cast<int>(features.points[1].size()) / 2);
    for (const int off : {-period, period})
        EXPECT_LT(support(features, off - lower), own * 2 / 3) << off;
    // Nor do a pair's features find much in another scene.
    const EyeFeatures unrelated = FindFeatures(Scene(960, 640, 22), Scene(960, 640, 23), kMatchingSide);
    EXPECT_LT(support(unrelated, 0), static_cast<int>(unrelated.points[1].size()) / 20);
}

// `eye` as a lens whose bending `lens` corrects shows it.
cv::Mat ThroughLens(const cv::Mat& eye, const RadialLens& lens)
{
    cv::Mat map(eye.size(), CV_32FC2), seen;
    for (int y = 0; y < eye.rows; ++y)
        for (int x = 0; x < eye.cols; ++x) {
            const auto straight = lens.Straightened({x + 0.0, y + 0.0});
            map.at<cv::Vec2f>(y, x) = {static_cast<float>(straight[0]), static_cast<float>(straight[1])};
        }
    cv::remap(eye, seen, map, cv::noArray(), cv::INTER_LINEAR, cv::BORDER_REFLECT);
    return seen;
}

// The share of an eye's outermost pixels that are black: the area beyond
// what a warp could fill.
double BlackBorder(FIBITMAP* eye)
{
    const int width = Width(eye), height = Height(eye);
    int black = 0, border = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (x != 0 && y != 0 && x != width - 1 && y != height - 1)
                continue;
            const std::uint8_t* pixel = PixelAt(eye, x, y);
            black += pixel[0] < 8 && pixel[1] < 8 && pixel[2] < 8;
            ++border;
        }
    return static_cast<double>(black) / border;
}

TEST(PairAlignmentTest, AWideLensIsCorrectedInBothEyes)
{
    // A nearer patch 24 pixels apart, the right eye 9 pixels lower and
    // turned, both seen through one lens, a barrel and a pincushion: rows
    // that a homography would leave pixels apart towards the corners.
    const cv::Mat background = Scene(960, 640, 11), patch = Scene(320, 220, 12);
    const cv::Point patchAt(320, 210);
    const int apart = 24;
    for (const double k : {-0.15, 0.1}) {
        const RadialLens lens = LensOf(k, 960, 640);
        const cv::Mat left = ThroughLens(WithPatch(background, patch, patchAt), lens);
        const cv::Mat right =
            ThroughLens(RightEye(WithPatch(background, patch, patchAt - cv::Point(apart, 0)), 0.4, 1, 0, 9), lens);

        const AlignedPair pair = Aligned(left, right);
        ASSERT_TRUE(pair.left) << k;
        EXPECT_NEAR(pair.alignment.lens.k, k, 0.03);
        // Known points of the background, where the lens bends most, each
        // seen where the lens put it in both eyes.
        const double radians = 0.4 * CV_PI / 180;
        const cv::Matx33d toRight =
            cv::Matx33d(std::cos(radians), -std::sin(radians), 0, std::sin(radians), std::cos(radians), 9, 0, 0, 1)
                .inv();
        const cv::Rect nearPatch(patchAt - cv::Point(apart + 10, 10), patch.size() + cv::Size(apart + 20, 20));
        std::vector<std::pair<cv::Point2d, cv::Point2d>> known;
        for (int y = 40; y < 600; y += 20)
            for (int x = 40; x < 920; x += 20) {
                if (nearPatch.contains(cv::Point(x, y)))
                    continue;
                const cv::Point2d r = EyeFrom(toRight, cv::Point2d(x, y));
                const auto seenLeft = lens.Seen({x + 0.0, y + 0.0}), seenRight = lens.Seen({r.x, r.y});
                known.push_back({{(*seenLeft)[0], (*seenLeft)[1]}, {(*seenRight)[0], (*seenRight)[1]}});
            }
        const RowErrors errors = RowsApart(pair.alignment, known);
        EXPECT_LT(errors.median, 0.5) << k;
        EXPECT_LT(errors.largest, 1.5) << k;
        // A pincushion straightened pulls the frame's sides in between its
        // corners: the cut follows them, leaving nothing unfilled.
        EXPECT_LT(BlackBorder(pair.left.get()), 0.01) << k;
        EXPECT_LT(BlackBorder(pair.right.get()), 0.01) << k;
    }
}

// A pair of one rig: a scene with a nearer patch `apart` pixels apart, the
// right eye turned 0.4 degrees and 9 pixels lower, both through one lens;
// with the known matches of its background.
struct RigPair {
    cv::Mat left, right;
    std::vector<std::pair<cv::Point2d, cv::Point2d>> known;
};

RigPair PairOfOneRig(unsigned scene, int apart)
{
    const cv::Mat background = Scene(960, 640, scene), patch = Scene(320, 220, scene + 100);
    const cv::Point patchAt(320, 210);
    const RadialLens lens = LensOf(-0.12, 960, 640);
    const double turn = 0.4, lower = 9;
    RigPair pair{
        ThroughLens(WithPatch(background, patch, patchAt), lens),
        ThroughLens(RightEye(WithPatch(background, patch, patchAt - cv::Point(apart, 0)), turn, 1, 0, lower), lens),
        {}};
    const double radians = turn * CV_PI / 180;
    const cv::Matx33d toRight =
        cv::Matx33d(std::cos(radians), -std::sin(radians), 0, std::sin(radians), std::cos(radians), lower, 0, 0, 1)
            .inv();
    const cv::Rect nearPatch(patchAt - cv::Point(apart + 10, 10), patch.size() + cv::Size(apart + 20, 20));
    for (int y = 40; y < 600; y += 20)
        for (int x = 40; x < 920; x += 20)
            if (!nearPatch.contains(cv::Point(x, y))) {
                const cv::Point2d r = EyeFrom(toRight, cv::Point2d(x, y));
                const auto seenLeft = lens.Seen({x + 0.0, y + 0.0}), seenRight = lens.Seen({r.x, r.y});
                pair.known.push_back({{(*seenLeft)[0], (*seenLeft)[1]}, {(*seenRight)[0], (*seenRight)[1]}});
            }
    return pair;
}

RigSample SampleOf(const cv::Mat& left, const cv::Mat& right)
{
    auto sample = SampleRig(ToBitmap(left).get(), ToBitmap(right).get());
    if (const auto* why = std::get_if<std::string>(&sample)) {
        ADD_FAILURE() << *why;
        return {};
    }
    return std::get<RigSample>(sample);
}

Alignment AlignedFromRig(const cv::Mat& left, const cv::Mat& right, const RigGeometry& rig, double margin = 0,
                         const Alignment* own = nullptr)
{
    auto aligned = AlignPair(ToBitmap(left).get(), ToBitmap(right).get(), margin, &rig, own);
    if (const auto* why = std::get_if<std::string>(&aligned)) {
        ADD_FAILURE() << *why;
        return {};
    }
    return std::get<AlignedPair>(aligned).alignment;
}

TEST(PairAlignmentTest, ARigLearntFromItsPairsStraightensAnotherOfThem)
{
    std::vector<RigSample> samples;
    for (const unsigned scene : {31u, 32u, 33u}) {
        const RigPair pair = PairOfOneRig(scene, 10 + static_cast<int>(scene % 10) * 6);
        samples.push_back(SampleOf(pair.left, pair.right));
        EXPECT_GT(samples.back().matches.size(), 50u) << scene;
    }
    const std::optional<RigGeometry> rig = CommonRig(samples);
    ASSERT_TRUE(rig);
    EXPECT_EQ(rig->width, 960);
    EXPECT_EQ(rig->height, 640);
    EXPECT_NEAR(rig->lens, -0.12, 0.03);

    const RigPair another = PairOfOneRig(34, 30);
    const Alignment alignment = AlignedFromRig(another.left, another.right, *rig);
    EXPECT_TRUE(alignment.fromRig);
    const RowErrors errors = RowsApart(alignment, another.known);
    EXPECT_LT(errors.median, 0.5);
    EXPECT_LT(errors.largest, 1.5);

    // One pair is no rig, nor are two pairs of different sizes.
    EXPECT_FALSE(CommonRig({samples.front()}));
    const cv::Mat smaller = Scene(800, 600, 35);
    EXPECT_FALSE(CommonRig({samples.front(), SampleOf(smaller, RightEye(smaller, 0.4, 1, 0, 9))}));
    EXPECT_FALSE(CommonRig({}));
}

// What a pair of a level rig whose right eye's rows are the left's turned by
// `turn` degrees and moved down by `lower` would give as its sample:
// `count` matches at random places and depths, and the keystone they fit.
RigSample HandMadeSample(double turn, double lower, int count, unsigned seed, cv::Size size = {960, 640})
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> x(0, size.width), y(0, size.height), apart(10, 60);
    const double radians = turn * CV_PI / 180;
    std::vector<Match> matches;
    RigSample sample;
    for (int i = 0; i < count; ++i) {
        const cv::Point2d right(x(random), y(random));
        const cv::Point2d left(right.x + apart(random),
                               std::sin(radians) * right.x + std::cos(radians) * right.y + lower);
        matches.push_back({left, right});
        sample.matches.push_back({left.x, left.y, right.x, right.y});
    }
    const Keystone k = FitKeystone(matches, size);
    sample.geometry = {
        size.width,
        size.height,
        0,
        {k.leftLean, k.leftNarrowing, k.rightRise, k.rightScale, k.rightOffset, k.rightNarrowingX, k.rightNarrowingY},
        1};
    return sample;
}

double LargestRowError(const RigGeometry& rig, const RigSample& sample)
{
    const Keystone k{rig.keystone[0], rig.keystone[1], rig.keystone[2], rig.keystone[3],
                     rig.keystone[4], rig.keystone[5], rig.keystone[6]};
    const EyeWarps warps = k.Warps({rig.width, rig.height});
    double largest = 0;
    for (const auto& [lx, ly, rx, ry] : sample.matches)
        largest = std::max(largest, std::abs(warps.RowError({{lx, ly}, {rx, ry}})));
    return largest;
}

TEST(PairAlignmentTest, TheRigIsWhatMostPairsAgreeOnNotTheFirstNorTheLargest)
{
    // Two pairs misled alike, with more matches each, before three of the
    // rig's own; and pictures of another size, which never mix in.
    const RigSample misled = HandMadeSample(-0.5, 10, 250, 1);
    const std::vector<RigSample> own = {HandMadeSample(0.3, 6, 200, 2), HandMadeSample(0.3, 6, 200, 3),
                                        HandMadeSample(0.3, 6, 200, 4)};
    std::vector<RigSample> samples = {misled, HandMadeSample(-0.5, 10, 250, 5)};
    samples.insert(samples.end(), own.begin(), own.end());
    const std::optional<RigGeometry> rig = CommonRig(samples);
    ASSERT_TRUE(rig);
    EXPECT_EQ(rig->pairs, 3);
    EXPECT_EQ(rig->lens, 0); // no bending to correct
    for (const RigSample& sample : own)
        EXPECT_LT(LargestRowError(*rig, sample), 0.05);
    EXPECT_GT(LargestRowError(*rig, misled), 1);

    samples.push_back(HandMadeSample(0.3, 6, 300, 6, {800, 600}));
    samples.push_back(HandMadeSample(0.3, 6, 300, 7, {800, 600}));
    const std::optional<RigGeometry> mixed = CommonRig(samples);
    ASSERT_TRUE(mixed);
    EXPECT_EQ(mixed->keystone, rig->keystone);
    EXPECT_EQ(mixed->pairs, 3);
}

TEST(PairAlignmentTest, APairTheRigDoesNotFitIsAlignedOnItsOwn)
{
    std::vector<RigSample> samples;
    for (const unsigned scene : {41u, 42u}) {
        const RigPair pair = PairOfOneRig(scene, 20);
        samples.push_back(SampleOf(pair.left, pair.right));
    }
    const std::optional<RigGeometry> rig = CommonRig(samples);
    ASSERT_TRUE(rig);
    // Another camera's pair: turned the other way, higher, no lens.
    const cv::Mat left = Scene(960, 640, 43), right = RightEye(left, -2, 1.003, 0, -12);
    const Alignment own = Aligned(left, right).alignment, withRig = AlignedFromRig(left, right, *rig);
    EXPECT_FALSE(withRig.fromRig);
    EXPECT_EQ(withRig.rightWarp, own.rightWarp);
    EXPECT_NEAR(withRig.angle, -2, 0.05);
    // Its own alignment, known from its sample at the same window margin, is
    // the one it would find again, and is taken as it is, unless its cut
    // lies outside the eyes.
    auto sampled = SampleRig(ToBitmap(left).get(), ToBitmap(right).get(), 7);
    ASSERT_TRUE(std::holds_alternative<RigSample>(sampled)) << std::get<std::string>(sampled);
    ASSERT_TRUE(std::get<RigSample>(sampled).own);
    const Alignment known = *std::get<RigSample>(sampled).own;
    EXPECT_EQ(known.rightWarp, AlignedFromRig(left, right, *rig, 7).rightWarp);
    Alignment moved = known;
    moved.rightWarp[2] += 5;
    EXPECT_EQ(AlignedFromRig(left, right, *rig, 7, &moved).rightWarp, moved.rightWarp);
    moved.cropX = left.cols;
    EXPECT_EQ(AlignedFromRig(left, right, *rig, 7, &moved).rightWarp, known.rightWarp);
    // A margin that leaves no cut changes nothing of what the pair says of
    // its rig: it only leaves no alignment of its own to carry.
    auto far = SampleRig(ToBitmap(left).get(), ToBitmap(right).get(), 1e5);
    ASSERT_TRUE(std::holds_alternative<RigSample>(far)) << std::get<std::string>(far);
    EXPECT_EQ(std::get<RigSample>(far).geometry, std::get<RigSample>(sampled).geometry);
    EXPECT_EQ(std::get<RigSample>(far).matches, std::get<RigSample>(sampled).matches);
    EXPECT_FALSE(std::get<RigSample>(far).own);
    // At the screen, the alignment carried is the one the pair finds there.
    auto atScreen = SampleRig(ToBitmap(left).get(), ToBitmap(right).get());
    ASSERT_TRUE(std::holds_alternative<RigSample>(atScreen)) << std::get<std::string>(atScreen);
    ASSERT_TRUE(std::get<RigSample>(atScreen).own);
    EXPECT_EQ(std::get<RigSample>(atScreen).own->rightWarp, own.rightWarp);
    // A rig of pictures of another size fits no pair of this one.
    RigGeometry otherSize = *rig;
    otherSize.width = 1280;
    const RigPair pair = PairOfOneRig(44, 20);
    EXPECT_FALSE(AlignedFromRig(pair.left, pair.right, otherSize).fromRig);
    // Nor does a lens no search would find, whatever a rig's file says.
    RigGeometry strangeLens = *rig;
    strangeLens.lens = -0.9;
    EXPECT_FALSE(AlignedFromRig(pair.left, pair.right, strangeLens).fromRig);
}

// The right eye of `left` whose first column of tiles the rig's right eye
// would see (0.3 degrees turned, 6 rows lower) and whose every other tile is
// lower by `lowers` (35 of them), as if things moved between the shots.
cv::Mat TiledRightEye(const cv::Mat& left, const std::vector<double>& lowers)
{
    cv::Mat right(left.size(), left.type());
    for (int column = 0; column < 8; ++column)
        for (int row = 0; row < 5; ++row) {
            const cv::Rect tile(column * 120, row * 128, 120, 128);
            const double lower = column == 0 ? 6 : lowers[(column - 1) * 5 + row];
            RightEye(left, 0.3, 1, 0, lower)(tile).copyTo(right(tile));
        }
    return right;
}

TEST(PairAlignmentTest, APairRefusedOnItsOwnIsStraightenedFromItsRig)
{
    // No rows suit enough of the pair's matches on its own, but the first
    // column of tiles is as the rig sees it.
    const std::vector<RigSample> samples = {HandMadeSample(0.3, 6, 200, 8), HandMadeSample(0.3, 6, 200, 9)};
    const std::optional<RigGeometry> rig = CommonRig(samples);
    ASSERT_TRUE(rig);
    std::vector<double> lowers;
    for (int tile = 0; tile < 35; ++tile)
        lowers.push_back(20 + 3 * tile);
    std::shuffle(lowers.begin(), lowers.end(), std::mt19937(3));
    const cv::Mat left = Scene(960, 640, 45), right = TiledRightEye(left, lowers);
    EXPECT_TRUE(std::holds_alternative<std::string>(AlignPair(ToBitmap(left).get(), ToBitmap(right).get(), 0)));

    const Alignment alignment = AlignedFromRig(left, right, *rig);
    EXPECT_TRUE(alignment.fromRig);
    const double radians = 0.3 * CV_PI / 180;
    const cv::Matx33d toLeft(std::cos(radians), -std::sin(radians), 0, std::sin(radians), std::cos(radians), 6, 0, 0,
                             1);
    std::vector<std::pair<cv::Point2d, cv::Point2d>> firstColumn; // the right eye's points and where the left has them
    for (int y = 60; y < 580; y += 20)
        for (int x = 20; x < 110; x += 15)
            firstColumn.push_back({EyeFrom(toLeft, cv::Point2d(x, y)), cv::Point2d(x, y)});
    const RowErrors errors = RowsApart(alignment, firstColumn);
    EXPECT_LT(errors.median, 0.5);
    EXPECT_LT(errors.largest, 1.5);
}

TEST(PairAlignmentTest, ThePairsOwnAlignmentWinsOverTheRigsWhereItBringsClearlyMoreOntoCommonRows)
{
    // Only the first column of tiles is as the rig sees it: the rig fits
    // enough of the pair to align it, but far less than the pair's own rows.
    const std::vector<RigSample> samples = {HandMadeSample(0.3, 6, 200, 8), HandMadeSample(0.3, 6, 200, 9)};
    const std::optional<RigGeometry> rig = CommonRig(samples);
    ASSERT_TRUE(rig);
    const cv::Mat left = Scene(960, 640, 46), right = TiledRightEye(left, std::vector<double>(35, 30));
    const Alignment own = Aligned(left, right).alignment, withRig = AlignedFromRig(left, right, *rig);
    EXPECT_FALSE(withRig.fromRig);
    EXPECT_EQ(withRig.rightWarp, own.rightWarp);
}

TEST(PairAlignmentTest, NoLensIsCorrectedWhereNoneBends)
{
    const cv::Mat left = Scene(800, 600, 13);
    EXPECT_EQ(Aligned(left, RightEye(left, -0.7, 1.002, 6, 4)).alignment.lens.k, 0);
}

TEST(PairAlignmentTest, PairsWithoutAnAlignmentAreRefused)
{
    const cv::Mat flat(400, 600, CV_8UC3, cv::Scalar(90, 120, 200));
    const auto nothing = AlignPair(ToBitmap(flat).get(), ToBitmap(flat).get(), 0);
    ASSERT_TRUE(std::holds_alternative<std::string>(nothing));
    EXPECT_NE(std::get<std::string>(nothing).find("too few points match"), std::string::npos);

    const auto unrelated = AlignPair(ToBitmap(Scene(600, 400, 3)).get(), ToBitmap(Scene(600, 400, 4)).get(), 0);
    EXPECT_TRUE(std::holds_alternative<std::string>(unrelated));
}

TEST(PairAlignmentTest, WhatTheMatchingCannotTakeIsAReasonNotAnException)
{
    // Eyes of two sizes, which the readers refuse before: the matching
    // library's own error comes back as the reason, not into the caller.
    const cv::Mat scene = Scene(600, 400, 5);
    const Bitmap left = ToBitmap(scene), right = ToBitmap(scene(cv::Rect(8, 0, 560, 400)).clone());
    std::variant<AlignedPair, std::string> aligned;
    EXPECT_NO_THROW(aligned = AlignPair(left.get(), right.get(), 0));
    ASSERT_TRUE(std::holds_alternative<std::string>(aligned));
    EXPECT_EQ(std::get<std::string>(aligned).rfind("the matching failed (", 0), 0u) << std::get<std::string>(aligned);
}

} // namespace
} // namespace velmora::test
