// SPDX-License-Identifier: GPL-3.0-or-later

// Renders the bundled sample: a small ray-traced scene (three spheres on a
// chequered floor before a striped wall) and its depth map, brighter = nearer.
//
//   make-sample FOLDER    writes FOLDER/sample.png and FOLDER/sample-depth.png

#include "imaging/formats/ImageFile.h"
#include "imaging/stereo/StereoSettings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

namespace {

using velmora::Bitmap;

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr double kPixelsPerMetre = 2835; // 72 dpi, so the automatic parallax works
constexpr double kNearest = 2.5;          // depth 255
constexpr double kFarthest = 14.0;        // depth 0

struct Vec {
    double x, y, z;
    Vec operator+(Vec o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec operator-(Vec o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec operator*(double s) const { return {x * s, y * s, z * s}; }
    double Dot(Vec o) const { return x * o.x + y * o.y + z * o.z; }
    Vec Unit() const { return *this * (1.0 / std::sqrt(Dot(*this))); }
};

struct Hit {
    double distance;
    Vec point;
    Vec normal;
    Vec colour; // 0..1 per channel, red green blue
};

struct Sphere {
    Vec centre;
    double radius;
    Vec colour;
};

constexpr Sphere kSpheres[] = {
    {{-1.3, -0.35, 5.0}, 0.65, {0.85, 0.2, 0.15}},
    {{0.9, -0.5, 3.8}, 0.5, {0.15, 0.35, 0.9}},
    {{0.2, 0.1, 7.5}, 1.1, {0.2, 0.75, 0.3}},
};
constexpr double kFloorY = -1.0;
constexpr double kWallZ = 12.0;

std::optional<Hit> HitSphere(Vec origin, Vec direction, const Sphere& sphere)
{
    const Vec offset = origin - sphere.centre;
    const double b = offset.Dot(direction);
    const double c = offset.Dot(offset) - sphere.radius * sphere.radius;
    const double discriminant = b * b - c;
    if (discriminant < 0)
        return std::nullopt;
    const double t = -b - std::sqrt(discriminant);
    if (t <= 0)
        return std::nullopt;
    const Vec point = origin + direction * t;
    return Hit{t, point, (point - sphere.centre).Unit(), sphere.colour};
}

std::optional<Hit> Trace(Vec origin, Vec direction)
{
    std::optional<Hit> nearest;
    auto consider = [&](const std::optional<Hit>& hit) {
        if (hit && (!nearest || hit->distance < nearest->distance))
            nearest = hit;
    };
    for (const Sphere& sphere : kSpheres)
        consider(HitSphere(origin, direction, sphere));
    if (direction.y < 0) {
        const double t = (kFloorY - origin.y) / direction.y;
        const Vec p = origin + direction * t;
        const bool dark = (static_cast<int>(std::floor(p.x * 1.5)) + static_cast<int>(std::floor(p.z * 1.5))) % 2;
        consider(Hit{t, p, {0, 1, 0}, dark ? Vec{0.25, 0.22, 0.2} : Vec{0.9, 0.88, 0.8}});
    }
    if (direction.z > 0) {
        const double t = (kWallZ - origin.z) / direction.z;
        const Vec p = origin + direction * t;
        const double stripe = 0.5 + 0.5 * std::sin(p.x * 2.0);
        consider(Hit{t, p, {0, 0, -1}, {0.55 + 0.3 * stripe, 0.5, 0.7 - 0.3 * stripe}});
    }
    return nearest;
}

Vec Shade(const Hit& hit)
{
    const Vec light{-4.0, 6.0, -2.0};
    const Vec toLight = (light - hit.point).Unit();
    double brightness = std::max(0.0, hit.normal.Dot(toLight));
    // Shadows: anything between the point and the light.
    if (const auto blocker = Trace(hit.point + hit.normal * 1e-6, toLight))
        if (blocker->distance < std::sqrt((light - hit.point).Dot(light - hit.point)))
            brightness *= 0.35;
    return hit.colour * (0.25 + 0.75 * brightness);
}

std::uint8_t ToByte(double value)
{
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

// Depth as disparity (1 / distance along the view axis), so that nearby
// objects get most of the 256 levels, as in depth maps from stereo cameras.
std::uint8_t DepthByte(double axialDistance)
{
    const double nearness = (1.0 / axialDistance - 1.0 / kFarthest) / (1.0 / kNearest - 1.0 / kFarthest);
    return ToByte(nearness);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-sample FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    Bitmap picture = velmora::NewImage(kWidth, kHeight, 24);
    Bitmap depth = velmora::NewImage(kWidth, kHeight, 24);
    const Vec eye{0, 0.4, 0};
    for (int row = 0; row < kHeight; ++row) {
        for (int column = 0; column < kWidth; ++column) {
            // Row 0 is the bottom of the picture.
            const double sx = (column + 0.5 - kWidth / 2.0) / kWidth * 1.2;
            const double sy = (row + 0.5 - kHeight / 2.0) / kWidth * 1.2;
            const Vec direction = Vec{sx, sy - 0.12, 1.0}.Unit();
            const auto hit = Trace(eye, direction);
            const Vec colour = hit ? Shade(*hit) : Vec{0.6, 0.7, 0.9};
            std::uint8_t* p = velmora::PixelAt(picture.get(), column, row);
            p[0] = ToByte(colour.z);
            p[1] = ToByte(colour.y);
            p[2] = ToByte(colour.x);
            const std::uint8_t d = hit ? DepthByte(hit->distance * direction.z) : 0;
            std::uint8_t* q = velmora::PixelAt(depth.get(), column, row);
            q[0] = q[1] = q[2] = d;
        }
    }
    velmora::SetResolution(picture.get(), kPixelsPerMetre);
    velmora::SetResolution(depth.get(), kPixelsPerMetre);
    if (!velmora::WriteImageFile(picture.get(), folder + "/sample.png", velmora::kSavePng, velmora::RunOptions{}) ||
        !velmora::WriteImageFile(depth.get(), folder + "/sample-depth.png", velmora::kSavePng, velmora::RunOptions{})) {
        std::fprintf(stderr, "make-sample: cannot write into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
