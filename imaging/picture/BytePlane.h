// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/picture/Bitmap.h"
#include "imaging/picture/ByteRows.h"

#include <cstddef>
#include <cstdint>

namespace velmora {

// One byte per pixel of a picture in rows of `width` bytes, the bottom row
// first, in pages of its own: a depth map's depth without the two bytes of
// each pixel that nothing reads.
class BytePlane {
public:
    BytePlane() = default;
    // All zeroes; std::bad_alloc when there is no memory for it.
    BytePlane(int width, int height);
    ~BytePlane();
    BytePlane(BytePlane&& other) noexcept;
    BytePlane& operator=(BytePlane&& other) noexcept;
    BytePlane(const BytePlane&) = delete;
    BytePlane& operator=(const BytePlane&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    std::uint8_t* Row(int y) const { return bytes_ + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_); }
    ByteRows Rows() const { return {bytes_, static_cast<std::size_t>(width_)}; }
    explicit operator bool() const { return bytes_ != nullptr; }

private:
    friend BytePlane TakeChannelPlane(Bitmap bitmap, int channel);

    std::uint8_t* bytes_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// The given byte (0 blue, 1 green, 2 red) of every pixel of a 24-bit bitmap
// as a plane, the bitmap released. When its pixels are pages of its own
// (NewImage) laid out as the plane's would be (both a megabyte or more, in
// huge pages, or both less), the plane is gathered at their start and the
// rest of them go back to the system, so that the plane takes no fresh
// page; else it is copied into new ones. std::bad_alloc when there is no
// memory for that.
BytePlane TakeChannelPlane(Bitmap bitmap, int channel);

} // namespace velmora
