// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/matching/LensWarpMap.h"

#include "imaging/matching/KeystoneModel.h"

#include <algorithm>
#include <vector>

namespace velmora {
namespace {

constexpr double kUnseen = -1;
constexpr double kLargestMiss = 4e-3; // pixels a cell's centre may lie from its interpolated point

cv::Vec2d SeenFrom(const cv::Matx33d& back, const RadialLens& lens, double x, double y)
{
    const cv::Point2d straight = EyeWarps::Warped(back, {x, y});
    const auto seen = lens.Seen({straight.x, straight.y});
    return seen ? cv::Vec2d((*seen)[0], (*seen)[1]) : cv::Vec2d(kUnseen, kUnseen);
}

// The grid's lines across (or down) a run of `count` pixels: every
// kMapStep-th and the last.
std::vector<int> GridLines(int count)
{
    std::vector<int> lines;
    for (int at = 0; at < count - 1; at += kMapStep)
        lines.push_back(at);
    lines.push_back(count - 1);
    return lines;
}

bool Seen(const cv::Vec2d& point)
{
    return point[0] != kUnseen || point[1] != kUnseen;
}

// The pixels from grid line `index` up to the next (the last cell: through
// it), and the lines' positions.
struct Span {
    int from, to;   // first and last pixel
    int start, end; // the lines
};

Span SpanOf(int index, const std::vector<int>& lines)
{
    const int last = static_cast<int>(lines.size()) - 1, next = std::min(index + 1, last);
    const int start = lines[static_cast<std::size_t>(index)], end = lines[static_cast<std::size_t>(next)];
    return {start, next == last ? end : end - 1, start, end};
}

double Along(int at, const Span& span)
{
    return span.end > span.start ? static_cast<double>(at - span.start) / (span.end - span.start) : 0.0;
}

} // namespace

void FillLensWarpMap(const cv::Matx33d& back, const RadialLens& lens, int left, int top, int width, int rows,
                     cv::Mat& map)
{
    if (width <= 0 || rows <= 0) {
        map.release();
        return;
    }
    map.create(rows, width, CV_32FC2);
    const std::vector<int> columns = GridLines(width), lines = GridLines(rows);
    cv::Mat grid(static_cast<int>(lines.size()), static_cast<int>(columns.size()), CV_64FC2);
    for (int j = 0; j < grid.rows; ++j)
        for (int i = 0; i < grid.cols; ++i)
            grid.at<cv::Vec2d>(j, i) = SeenFrom(back, lens, left + columns[static_cast<std::size_t>(i)],
                                                top + lines[static_cast<std::size_t>(j)]);
    const auto put = [&](int x, int y, const cv::Vec2d& point) {
        map.at<cv::Vec2f>(y, x) = {static_cast<float>(point[0]), static_cast<float>(point[1])};
    };
    const int cellsDown = std::max(1, grid.rows - 1), cellsAcross = std::max(1, grid.cols - 1);
    for (int j = 0; j < cellsDown; ++j) {
        const Span down = SpanOf(j, lines);
        const int nextJ = std::min(j + 1, grid.rows - 1);
        for (int i = 0; i < cellsAcross; ++i) {
            const Span across = SpanOf(i, columns);
            const int nextI = std::min(i + 1, grid.cols - 1);
            const cv::Vec2d a = grid.at<cv::Vec2d>(j, i), b = grid.at<cv::Vec2d>(j, nextI);
            const cv::Vec2d c = grid.at<cv::Vec2d>(nextJ, i), d = grid.at<cv::Vec2d>(nextJ, nextI);
            const auto between = [&](double u, double v) {
                return (a * (1 - u) + b * u) * (1 - v) + (c * (1 - u) + d * u) * v;
            };
            // Near the edge of what a pincushion saw, or where a small
            // picture bends much within a cell, the cell is worked out point
            // by point: its centre tells.
            bool smooth = Seen(a) && Seen(b) && Seen(c) && Seen(d);
            if (smooth) {
                const cv::Vec2d centre =
                    SeenFrom(back, lens, left + (across.start + across.end) / 2.0, top + (down.start + down.end) / 2.0);
                smooth = Seen(centre) && cv::norm(centre - between(0.5, 0.5)) <= kLargestMiss;
            }
            for (int y = down.from; y <= down.to; ++y)
                for (int x = across.from; x <= across.to; ++x)
                    put(x, y,
                        smooth ? between(Along(x, across), Along(y, down)) : SeenFrom(back, lens, left + x, top + y));
        }
    }
}

} // namespace velmora
