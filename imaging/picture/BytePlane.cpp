// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/picture/BytePlane.h"

#include "imaging/picture/ZeroedArray.h"

#include <new>
#include <utility>

namespace velmora {
namespace {

std::size_t PlaneBytes(int width, int height)
{
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

// Copies byte `channel` of every pixel into rows of `width` bytes at
// `target`, going forward. That is safe over the bitmap's own pixels too:
// byte x of row y lands at y * width + x, never past where it is read,
// y * pitch + 3 * x + channel.
void GatherChannel(FIBITMAP* bitmap, int channel, std::uint8_t* target)
{
    const int width = Width(bitmap), height = Height(bitmap);
    for (int y = 0; y < height; ++y, target += width)
        GatherBytes(RowAt(bitmap, y) + channel, 3, target, width);
}

} // namespace

BytePlane::BytePlane(int width, int height)
    : bytes_(static_cast<std::uint8_t*>(TakeZeroedPages(PlaneBytes(width, height))))
    , width_(width)
    , height_(height)
{
    if (!bytes_)
        throw std::bad_alloc();
}

BytePlane::~BytePlane()
{
    if (bytes_)
        GiveBackPages(bytes_, PlaneBytes(width_, height_));
}

BytePlane::BytePlane(BytePlane&& other) noexcept
    : bytes_(std::exchange(other.bytes_, nullptr))
    , width_(std::exchange(other.width_, 0))
    , height_(std::exchange(other.height_, 0))
{
}

BytePlane& BytePlane::operator=(BytePlane&& other) noexcept
{
    std::swap(bytes_, other.bytes_);
    std::swap(width_, other.width_);
    std::swap(height_, other.height_);
    return *this;
}

BytePlane TakeChannelPlane(Bitmap bitmap, int channel)
{
    BytePlane plane;
    if (!bitmap)
        return plane;
    const int width = Width(bitmap.get()), height = Height(bitmap.get());
    const std::size_t bytes = PlaneBytes(width, height);
    const BitmapDeleter owned = bitmap.get_deleter();
    if (owned.pixelMemory && CanShrinkPages(owned.pixelBytes, bytes)) {
        plane.bytes_ = static_cast<std::uint8_t*>(owned.pixelMemory);
        GatherChannel(bitmap.get(), channel, plane.bytes_);
        ShrinkPages(owned.pixelMemory, owned.pixelBytes, bytes);
        bitmap.get_deleter() = BitmapDeleter{};
        plane.width_ = width;
        plane.height_ = height;
    } else {
        plane = BytePlane(width, height);
        GatherChannel(bitmap.get(), channel, plane.bytes_);
    }
    return plane;
}

} // namespace velmora
