// SPDX-License-Identifier: GPL-3.0-or-later

// How well align straightens real pairs: the chessboard pairs of a real
// stereo rig that Debian ships in opencv-doc (examples/data/leftNN.jpg and
// rightNN.jpg), the vertical distance between the two eyes' corners of the
// 9 x 6 board before and after, and the time a 24-megapixel pair takes.
//
//   build/bench/pair_bench [DATA-FOLDER]   (default /usr/share/doc/opencv-doc/examples/data)

#include "imaging/formats/ImageFile.h"
#include "imaging/matching/PairAlignment.h"
#include "imaging/matching/PairDepth.h"
#include "imaging/stereo/ShiftedView.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace velmora;

cv::Mat Grey(FIBITMAP* bitmap)
{
    const cv::Mat bottomUp(Height(bitmap), Width(bitmap), CV_8UC3, FreeImage_GetBits(bitmap), FreeImage_GetPitch(bitmap));
    cv::Mat grey;
    cv::cvtColor(bottomUp, grey, cv::COLOR_BGR2GRAY);
    cv::flip(grey, grey, 0);
    return grey;
}

// The corners of the board in both eyes, or none when either misses it.
std::optional<std::pair<std::vector<cv::Point2f>, std::vector<cv::Point2f>>> Corners(FIBITMAP* left, FIBITMAP* right)
{
    std::vector<cv::Point2f> found[2];
    FIBITMAP* eyes[2] = {left, right};
    for (int eye = 0; eye < 2; ++eye) {
        const cv::Mat grey = Grey(eyes[eye]);
        if (!cv::findChessboardCorners(grey, cv::Size(9, 6), found[eye]))
            return std::nullopt;
        cv::cornerSubPix(grey, found[eye], cv::Size(5, 5), cv::Size(-1, -1),
                         cv::TermCriteria(cv::TermCriteria::EPS + cv::TermCriteria::COUNT, 40, 0.01));
    }
    return std::make_pair(found[0], found[1]);
}

struct Spread {
    double median = 0, largest = 0;
};

// The rows apart of corners found in both eyes, each first put where the
// alignment puts it (none: as found).
Spread Vertical(const std::vector<cv::Point2f>& left, const std::vector<cv::Point2f>& right,
                const std::optional<Alignment>& alignment = std::nullopt)
{
    std::vector<double> distances;
    for (std::size_t i = 0; i < left.size(); ++i) {
        std::array<double, 2> l{left[i].x, left[i].y}, r{right[i].x, right[i].y};
        if (alignment) {
            l = AlignedPoint(*alignment, false, l);
            r = AlignedPoint(*alignment, true, r);
        }
        distances.push_back(std::abs(l[1] - r[1]));
    }
    std::sort(distances.begin(), distances.end());
    return {distances[distances.size() / 2], distances.back()};
}

struct ChessboardPair {
    std::string number;
    Bitmap left, right;
};

std::vector<ChessboardPair> ChessboardPairs(const std::string& data)
{
    std::vector<ChessboardPair> pairs;
    for (int n = 1; n <= 14; ++n) {
        char number[8];
        std::snprintf(number, sizeof number, "%02d", n);
        const std::string leftPath = data + "/left" + number + ".jpg", rightPath = data + "/right" + number + ".jpg";
        if (std::filesystem::exists(leftPath))
            pairs.push_back({number, ReadRgbImageFile(leftPath, RunOptions{}).bitmap,
                             ReadRgbImageFile(rightPath, RunOptions{}).bitmap});
    }
    return pairs;
}

// A row of a rig's table: the pair straightened from `rig`; the spread of
// its corners, when both eyes' are found.
std::optional<Spread> RowFromRig(const ChessboardPair& pair, const RigGeometry& rig)
{
    const auto corners = Corners(pair.left.get(), pair.right.get());
    auto aligned = AlignPair(pair.left.get(), pair.right.get(), 0, &rig);
    if (const auto* why = std::get_if<std::string>(&aligned)) {
        std::printf("| %s | refused: %s | | |\n", pair.number.c_str(), why->c_str());
        return std::nullopt;
    }
    if (!corners)
        return std::nullopt;
    const Alignment& a = std::get<AlignedPair>(aligned).alignment;
    const Spread warped = Vertical(corners->first, corners->second, a);
    std::printf("| %s | %.2f / %.2f | %s | %s, %d pairs |\n", pair.number.c_str(), warped.median, warped.largest,
                a.model == AlignmentModel::Keystone ? "keystone" : "similarity", a.fromRig ? "yes" : "no", rig.pairs);
    return warped;
}

struct Worst {
    double median = 0, largest = 0;

    void Add(const std::optional<Spread>& spread)
    {
        if (spread) {
            median = std::max(median, spread->median);
            largest = std::max(largest, spread->largest);
        }
    }
};

// The pairs as batch align --one-rig straightens them: each from the rig's
// geometry learnt from all of them; then each as align --rig straightens a
// later pair, from the rig learnt from the other pairs alone.
void ChessboardFromOneRig(const std::vector<ChessboardPair>& pairs)
{
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::optional<RigSample>> samples; // by pair
    for (const ChessboardPair& pair : pairs) {
        auto sample = SampleRig(pair.left.get(), pair.right.get());
        samples.push_back(std::holds_alternative<RigSample>(sample) ? std::optional(std::get<RigSample>(sample))
                                                                    : std::nullopt);
    }
    const auto learnt = [&](std::size_t without) {
        std::vector<RigSample> taken;
        for (std::size_t i = 0; i < samples.size(); ++i)
            if (samples[i] && i != without)
                taken.push_back(*samples[i]);
        return std::pair(CommonRig(taken), taken.size());
    };
    const auto [rig, sampled] = learnt(pairs.size());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!rig) {
        std::printf("\nOne rig: no geometry found\n");
        return;
    }
    const char* head = "| pair | original corners warped (px) | model | from the rig |\n|---|---:|---|---|\n";
    std::printf("\nOne rig, agreed on by %d of the %zu pairs aligned on their own, in %.1f s: lens %+.3f\n\n%s",
                rig->pairs, sampled, seconds, rig->lens, head);
    Worst all;
    for (const ChessboardPair& pair : pairs)
        all.Add(RowFromRig(pair, *rig));
    std::printf("\nFrom one rig, worst median %.2f px (target 0.5), worst largest %.2f px (target 1.5)\n", all.median,
                all.largest);

    std::printf("\nEach pair from the rig learnt from the others\n\n%s", head);
    Worst others;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (const std::optional<RigGeometry> theirs = learnt(i).first)
            others.Add(RowFromRig(pairs[i], *theirs));
        else
            std::printf("| %s | no rig learnt from the others | | |\n", pairs[i].number.c_str());
    }
    std::printf("\nFrom the others' rig, worst median %.2f px (target 0.5), worst largest %.2f px (target 1.5)\n",
                others.median, others.largest);
}

} // namespace

// The right eye as view makes it from the left eye and the depth map, with
// the parallax and window depth prints, against the real right eye: PSNR over
// the columns both eyes show (the right eye's last columns are out of the
// left eye's view).
double RecreatedRightEye(FIBITMAP* left, FIBITMAP* right, const PairDepth& depth)
{
    velmora::SilentSink quiet;
    const Bitmap view = ShiftViewBitmap(left, depth.depth.get(), {depth.Parallax(), depth.Window()},
                                        HorizontalResolution(left), RunOptions{}, quiet);
    if (!view)
        return 0;
    const int shown = Width(view.get()) - static_cast<int>(std::ceil(depth.nearest));
    double squares = 0;
    long count = 0;
    for (int y = 0; y < Height(view.get()); ++y)
        for (int x = 0; x < shown; ++x)
            for (int c = 0; c < 3; ++c) {
                const double d = PixelAt(view.get(), x, y)[c] - PixelAt(right, x, y)[c];
                squares += d * d;
                ++count;
            }
    return 10 * std::log10(255.0 * 255.0 / std::max(squares / std::max(1L, count), 1e-9));
}

int main(int argc, char** argv)
{
    const std::string data = argc > 1 ? argv[1] : "/usr/share/doc/opencv-doc/examples/data";
    if (!std::filesystem::exists(data + "/left01.jpg")) {
        std::printf("No chessboard pairs in %s: apt-get install opencv-doc\n", data.c_str());
        return 1;
    }
    // After: the corners found again in the aligned eyes, and the original
    // corners put through the alignment's warps (found even where the cut
    // or the warp leaves the board to the corner finder's dislike).
    std::printf(
        "| pair | before: median / largest (px) | after: median / largest (px) | original corners warped (px) | "
        "model | matches' error (px) | turned (deg) |\n"
        "|---|---:|---:|---:|---|---:|---:|\n");
    double worstMedian = 0, worstLargest = 0;
    const std::vector<ChessboardPair> chessboard = ChessboardPairs(data);
    for (const ChessboardPair& chessboardPair : chessboard) {
        const char* number = chessboardPair.number.c_str();
        FIBITMAP* left = chessboardPair.left.get();
        FIBITMAP* right = chessboardPair.right.get();
        const auto before = Corners(left, right);
        auto aligned = AlignPair(left, right);
        if (const auto* why = std::get_if<std::string>(&aligned)) {
            std::printf("| %s | | refused: %s | |\n", number, why->c_str());
            continue;
        }
        const AlignedPair& pair = std::get<AlignedPair>(aligned);
        const Alignment& a = pair.alignment;
        char model[64];
        std::snprintf(model, sizeof model, a.lens.k == 0 ? "%s" : "%s, lens %+.3f",
                      a.model == AlignmentModel::Keystone ? "keystone" : "similarity", a.lens.k);
        if (!before) {
            std::printf("| %s | corners not found | | | %s | %.2f | %.3f |\n", number, model, a.verticalError, a.angle);
            continue;
        }
        const Spread b = Vertical(before->first, before->second);
        const Spread warped = Vertical(before->first, before->second, a);
        worstMedian = std::max(worstMedian, warped.median);
        worstLargest = std::max(worstLargest, warped.largest);
        const auto after = Corners(pair.left.get(), pair.right.get());
        char found[64] = "not found";
        if (after) {
            const Spread f = Vertical(after->first, after->second);
            std::snprintf(found, sizeof found, "%.2f / %.2f", f.median, f.largest);
        }
        std::printf("| %s | %.2f / %.2f | %s | %.2f / %.2f | %s | %.2f | %.3f |\n", number, b.median, b.largest, found,
                    warped.median, warped.largest, model, a.verticalError, a.angle);
    }
    std::printf("\nAfter alignment (corners warped), worst median %.2f px (target 0.5), worst largest %.2f px (target "
                "1.5)\n",
                worstMedian, worstLargest);
    ChessboardFromOneRig(chessboard);

    // Depth from the Aloe pair against its ground truth (disparities times
    // 1, 0 unknown): the share of pixels off by more than 2.
    {
        const Bitmap aloeLeft = ReadRgbImageFile(data + "/aloeL.jpg", RunOptions{}).bitmap;
        const Bitmap aloeRight = ReadRgbImageFile(data + "/aloeR.jpg", RunOptions{}).bitmap;
        const Bitmap truth = ReadRgbImageFile(data + "/aloeGT.png", RunOptions{}).bitmap;
        const auto start = std::chrono::steady_clock::now();
        auto made = DepthFromPair(aloeLeft.get(), aloeRight.get());
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (const auto* why = std::get_if<std::string>(&made)) {
            std::printf("Aloe depth refused: %s\n", why->c_str());
        } else {
            const PairDepth& depth = std::get<PairDepth>(made);
            long known = 0, bad = 0;
            const double span = depth.nearest - depth.farthest;
            for (int y = 0; y < Height(truth.get()); ++y)
                for (int x = 0; x < Width(truth.get()); ++x) {
                    const int expected = PixelAt(truth.get(), x, y)[0];
                    if (expected == 0)
                        continue;
                    const double found = depth.farthest + span * PixelAt(depth.depth.get(), x, y)[0] / 255.0;
                    ++known;
                    bad += std::abs(found - expected) > 2;
                }
            std::printf("Aloe depth: %.1f%% of %ld pixels off by more than 2 (target 10%%), disparities %.1f to "
                        "%.1f, --parallax %d --window %d, %.2f s (target 2 s)\n",
                        100.0 * bad / std::max(1L, known), known, depth.farthest, depth.nearest, depth.Parallax(),
                        depth.Window(), seconds);
            std::printf("Aloe right eye re-created from the left and the depth map: %.1f dB (target 23.5)\n",
                        RecreatedRightEye(aloeLeft.get(), aloeRight.get(), depth));
        }
    }

    // A 24-megapixel pair: the Aloe pair scaled up, one eye turned and moved.
    const Bitmap aloe = ReadRgbImageFile(data + "/aloeL.jpg", RunOptions{}).bitmap;
    const Bitmap aloeRight = ReadRgbImageFile(data + "/aloeR.jpg", RunOptions{}).bitmap;
    if (aloe && aloeRight) {
        const auto scaled = [](FIBITMAP* bitmap) { return Bitmap(FreeImage_Rescale(bitmap, 6000, 4000, FILTER_BILINEAR)); };
        const Bitmap big = scaled(aloe.get()), bigRight = scaled(aloeRight.get());
        const auto start = std::chrono::steady_clock::now();
        const auto aligned = AlignPair(big.get(), bigRight.get());
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("24 MP pair (Aloe at 6000 x 4000): aligned in %.2f s%s (target 5 s)\n", seconds,
                    std::holds_alternative<std::string>(aligned) ? ", refused" : "");
        // The rig's pair 07 at the same size: its lens is corrected too, so
        // every pixel of both eyes is looked up through the lens.
        const Bitmap board = ReadRgbImageFile(data + "/left07.jpg", RunOptions{}).bitmap;
        const Bitmap boardRight = ReadRgbImageFile(data + "/right07.jpg", RunOptions{}).bitmap;
        if (board && boardRight) {
            const Bitmap bigBoard = scaled(board.get()), bigBoardRight = scaled(boardRight.get());
            const auto boardStart = std::chrono::steady_clock::now();
            const auto boardAligned = AlignPair(bigBoard.get(), bigBoardRight.get());
            const double boardSeconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - boardStart).count();
            const auto* found = std::get_if<AlignedPair>(&boardAligned);
            std::printf("24 MP pair with its lens corrected (pair 07 at 6000 x 4000): aligned in %.2f s%s (target 5 "
                        "s)\n",
                        boardSeconds,
                        !found                             ? ", refused"
                            : found->alignment.lens.k == 0 ? ", no lens"
                                                           : "");
        }
        const auto depthStart = std::chrono::steady_clock::now();
        const auto depth = DepthFromPair(big.get(), bigRight.get());
        const double depthSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - depthStart).count();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("24 MP pair: depth map in %.2f s%s (target 15 s); the process's peak so far %.2f GB (target 2.5)\n",
                    depthSeconds, std::holds_alternative<std::string>(depth) ? ", refused" : "",
                    usage.ru_maxrss / 1024.0 / 1024.0);
    }
    return 0;
}
