// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/cli/PairScenes.h"

#include "tests/support/TestImages.h"

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <random>
#include <string>

namespace velmora::test {

cv::Mat TexturedScene(unsigned seed)
{
    cv::Mat scene(480, 720, CV_8UC3);
    cv::randu(scene, cv::Scalar::all(0), cv::Scalar::all(255));
    cv::GaussianBlur(scene, scene, cv::Size(0, 0), 2.5);
    std::mt19937 random(seed);
    for (int shape = 0; shape < 300; ++shape)
        cv::circle(scene, {int(random() % 720), int(random() % 480)}, 4 + int(random() % 40),
                   cv::Scalar(random() % 256, random() % 256, random() % 256), cv::FILLED, cv::LINE_AA);
    return scene;
}

cv::Mat Moved(const cv::Mat& scene, double turn, double across, double down)
{
    const double radians = turn * CV_PI / 180;
    const cv::Matx23d toLeft(std::cos(radians), -std::sin(radians), across, std::sin(radians), std::cos(radians), down);
    cv::Mat moved;
    cv::warpAffine(scene, moved, toLeft, scene.size(), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP, cv::BORDER_REFLECT);
    return moved;
}

void SaveEyes(const cv::Mat& left, const cv::Mat& right)
{
    const auto save = [](const cv::Mat& topDown, const std::string& name) {
        Save(MakeImage(topDown.cols, topDown.rows,
                       [&](int x, int y) {
                           const cv::Vec3b p = topDown.at<cv::Vec3b>(topDown.rows - 1 - y, x);
                           return Bgr{p[0], p[1], p[2]};
                       })
                 .get(),
             name, kSavePng);
    };
    save(left, "scene-left.png");
    save(right, "scene-right.png");
}

void SaveTurnedPair(double turn, double down)
{
    const cv::Mat scene = TexturedScene(5);
    SaveEyes(scene, Moved(scene, turn, 0, down));
}

cv::Mat ThroughBarrel(const cv::Mat& eye, double barrel)
{
    cv::Mat map(eye.size(), CV_32FC2), seen;
    const cv::Point2d centre(eye.cols / 2.0, eye.rows / 2.0);
    const double corner = cv::norm(centre);
    for (int y = 0; y < eye.rows; ++y)
        for (int x = 0; x < eye.cols; ++x) {
            const cv::Point2d from = cv::Point2d(x, y) - centre;
            const cv::Point2d at = centre + from * (1 + barrel * from.dot(from) / (corner * corner));
            map.at<cv::Vec2f>(y, x) = {static_cast<float>(at.x), static_cast<float>(at.y)};
        }
    cv::remap(eye, seen, map, cv::noArray(), cv::INTER_LINEAR, cv::BORDER_REFLECT);
    return seen;
}

} // namespace velmora::test
