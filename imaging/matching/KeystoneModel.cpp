// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/matching/KeystoneModel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

namespace velmora {
namespace {

constexpr int kParameters = 7;
using Parameters = std::array<double, kParameters>;
// How hard the lean and the narrowings are held at nothing: pixels per
// match, over half the picture's side, for each unit of them. The lean the
// hardest: it moves every depth's rows apart by its columns apart.
struct Pull {
    std::size_t parameter;
    double strength;
};
constexpr Pull kPulls[] = {{0, 0.03}, {1, 0.003}, {5, 0.003}, {6, 0.003}};
constexpr int kLargestSteps = 50;
constexpr int kRansacRounds = 3000;
constexpr int kSample = 6;
constexpr int kCoverCells = 8;          // the picture's cells across and down counted for cover
constexpr double kStep = 1e-7;          // for the derivatives, in the parameters' units
constexpr double kLargestShear = 8;     // degrees a warped frame's corner may differ from square
constexpr double kLargestStretch = 1.2; // a warped frame's side at most this much longer or shorter

// Half the longer side: the unit of the model's numbers.
double HalfSide(cv::Size size) { return std::max(size.width, size.height) / 2.0; }

Parameters ToParameters(const Keystone& k)
{
    return {k.leftLean,    k.leftNarrowing,   k.rightRise,      k.rightScale,
            k.rightOffset, k.rightNarrowingX, k.rightNarrowingY};
}

Keystone FromParameters(const Parameters& p) { return {p[0], p[1], p[2], p[3], p[4], p[5], p[6]}; }

// The row errors of `matches` in pixels, then the pulls towards no correction.
std::vector<double> Residuals(const Parameters& p, const std::vector<Match>& matches, cv::Size size)
{
    const EyeWarps warps = FromParameters(p).Warps(size);
    std::vector<double> residuals;
    residuals.reserve(matches.size() + std::size(kPulls));
    for (const Match& m : matches)
        residuals.push_back(warps.RowError(m));
    const double pull = std::sqrt(static_cast<double>(matches.size())) * HalfSide(size);
    for (const Pull& held : kPulls)
        residuals.push_back(pull * held.strength * p[held.parameter]);
    return residuals;
}

double SumOfSquares(const std::vector<double>& values)
{
    double sum = 0;
    for (double value : values)
        sum += value * value;
    return sum;
}

double Angle(const cv::Point2d& from, const cv::Point2d& at, const cv::Point2d& to)
{
    const cv::Point2d a = from - at, b = to - at;
    return std::acos(std::clamp(a.dot(b) / (std::hypot(a.x, a.y) * std::hypot(b.x, b.y)), -1.0, 1.0)) * 180 / CV_PI;
}

bool KeepsItsFrame(const cv::Matx33d& warp, cv::Size size)
{
    const double w = size.width, h = size.height;
    const cv::Point2d corners[4] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
    cv::Point2d warped[4];
    for (int c = 0; c < 4; ++c)
        warped[c] = EyeWarps::Warped(warp, corners[c]);
    for (int c = 0; c < 4; ++c) {
        const cv::Point2d &before = warped[(c + 3) % 4], &at = warped[c], &after = warped[(c + 1) % 4];
        if (std::abs(Angle(before, at, after) - 90) > kLargestShear)
            return false;
        const double side = cv::norm(after - at), was = cv::norm(corners[(c + 1) % 4] - corners[c]);
        if (!(side < kLargestStretch * was && side > was / kLargestStretch))
            return false;
    }
    return true;
}

// Least squares of the model without the lean, made linear: the left row y
// times (1 + narrowing x) is the right eye's row over its narrowing, and the
// product of the narrowings' small terms is dropped.
std::optional<Keystone> FitLinear(const std::vector<Match>& matches, cv::Size size)
{
    const double half = HalfSide(size);
    const cv::Point2d centre(size.width / 2.0, size.height / 2.0);
    cv::Mat a(static_cast<int>(matches.size()), 6, CV_64F), b(static_cast<int>(matches.size()), 1, CV_64F);
    for (int i = 0; i < a.rows; ++i) {
        const cv::Point2d l = (matches[static_cast<std::size_t>(i)].left - centre) / half;
        const cv::Point2d r = (matches[static_cast<std::size_t>(i)].right - centre) / half;
        const double terms[6] = {l.x * l.y, r.x, r.y, 1, -r.x * r.y, -r.y * r.y};
        for (int k = 0; k < 6; ++k)
            a.at<double>(i, k) = terms[k];
        b.at<double>(i, 0) = l.y;
    }
    cv::Mat x;
    if (!cv::solve(a, b, x, cv::DECOMP_SVD))
        return std::nullopt;
    return Keystone{
        0, x.at<double>(0), x.at<double>(1), x.at<double>(2), x.at<double>(3), x.at<double>(4), x.at<double>(5)};
}

// How many of the picture's cells hold a match that `warps` bring within
// `tolerance` of one row.
int CoveredCells(const std::vector<Match>& matches, const EyeWarps& warps, cv::Size size, double tolerance)
{
    std::vector<bool> covered(kCoverCells * kCoverCells, false);
    int count = 0;
    for (const Match& m : matches) {
        if (std::abs(warps.RowError(m)) > tolerance)
            continue;
        const int column = std::clamp(static_cast<int>(m.left.x * kCoverCells / size.width), 0, kCoverCells - 1);
        const int row = std::clamp(static_cast<int>(m.left.y * kCoverCells / size.height), 0, kCoverCells - 1);
        const std::size_t cell = static_cast<std::size_t>(row * kCoverCells + column);
        count += !covered[cell];
        covered[cell] = true;
    }
    return count;
}

} // namespace

cv::Point2d EyeWarps::Warped(const cv::Matx33d& h, const cv::Point2d& p)
{
    const cv::Vec3d q = h * cv::Vec3d(p.x, p.y, 1);
    return {q[0] / q[2], q[1] / q[2]};
}

EyeWarps Keystone::Warps(cv::Size size) const
{
    const double half = HalfSide(size);
    const cv::Matx33d toCentre(1 / half, 0, -size.width / (2 * half), 0, 1 / half, -size.height / (2 * half), 0, 0, 1);
    const cv::Matx33d left(1, 0, 0, leftLean, 1, 0, leftNarrowing, 0, 1);
    const cv::Matx33d right(rightScale, -rightRise, 0, rightRise, rightScale, rightOffset, rightNarrowingX,
                            rightNarrowingY, 1);
    return {toCentre.inv() * left * toCentre, toCentre.inv() * right * toCentre};
}

// Levenberg-Marquardt with numerical derivatives: seven parameters and a
// few thousand matches at most, so the plain way is fast enough.
Keystone FitKeystone(const std::vector<Match>& matches, cv::Size size, const Keystone& start)
{
    Parameters p = ToParameters(start);
    std::vector<double> residuals = Residuals(p, matches, size);
    double cost = SumOfSquares(residuals);
    double damping = 1e-3;
    for (int step = 0; step < kLargestSteps; ++step) {
        const int rows = static_cast<int>(residuals.size());
        cv::Mat jacobian(rows, kParameters, CV_64F), errors(rows, 1, CV_64F, residuals.data());
        for (int k = 0; k < kParameters; ++k) {
            Parameters moved = p;
            moved[static_cast<std::size_t>(k)] += kStep;
            const std::vector<double> there = Residuals(moved, matches, size);
            for (int i = 0; i < rows; ++i)
                jacobian.at<double>(i, k) =
                    (there[static_cast<std::size_t>(i)] - residuals[static_cast<std::size_t>(i)]) / kStep;
        }
        const cv::Mat normal = jacobian.t() * jacobian, gradient = jacobian.t() * errors;
        const double floor = 1e-9 * cv::trace(normal)[0] / kParameters;
        bool better = false;
        for (; damping < 1e8 && !better; damping *= 10) {
            cv::Mat damped = normal.clone();
            for (int k = 0; k < kParameters; ++k)
                damped.at<double>(k, k) += damping * (normal.at<double>(k, k) + floor);
            cv::Mat change;
            if (!cv::solve(damped, -gradient, change, cv::DECOMP_CHOLESKY))
                continue;
            Parameters tried = p;
            for (int k = 0; k < kParameters; ++k)
                tried[static_cast<std::size_t>(k)] += change.at<double>(k);
            std::vector<double> triedResiduals = Residuals(tried, matches, size);
            const double triedCost = SumOfSquares(triedResiduals);
            if (triedCost < cost) {
                better = true;
                const bool settled = cost - triedCost < 1e-10 * cost;
                p = tried;
                residuals = std::move(triedResiduals);
                cost = triedCost;
                damping /= 100; // the loop's step multiplies by 10
                if (settled)
                    return FromParameters(p);
            }
        }
        if (!better)
            break;
    }
    return FromParameters(p);
}

std::optional<Keystone> FirstKeystone(const std::vector<Match>& matches, cv::Size size, double tolerance)
{
    if (matches.size() < kSample)
        return std::nullopt;
    std::mt19937 random(1); // the same pair is always aligned the same way
    std::uniform_int_distribution<std::size_t> pick(0, matches.size() - 1);
    std::optional<Keystone> best;
    int bestCover = 0;
    for (int round = 0; round < kRansacRounds; ++round) {
        std::vector<Match> sample;
        for (int i = 0; i < kSample; ++i)
            sample.push_back(matches[pick(random)]);
        const std::optional<Keystone> tried = FitLinear(sample, size);
        if (!tried)
            continue;
        const int cover = CoveredCells(matches, tried->Warps(size), size, tolerance);
        if (cover > bestCover) {
            bestCover = cover;
            best = tried;
        }
    }
    return best;
}

bool KeepsTheFrame(const EyeWarps& warps, cv::Size size)
{
    return KeepsItsFrame(warps.left, size) && KeepsItsFrame(warps.right, size);
}

} // namespace velmora
