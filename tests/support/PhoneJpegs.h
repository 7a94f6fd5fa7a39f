// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Phone photographs built from the published layouts, for the tests: real
// small JPEGs with a depth map stored in their XMP.

#include <FreeImage.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::test {

inline constexpr std::string_view kMainId {"http://ns.adobe.com/xap/1.0/\0", 29};
inline constexpr std::string_view kExtensionId {"http://ns.adobe.com/xmp/extension/\0", 35};
inline constexpr std::string_view kGuid = "36BE52D449F3E6B9760D7602FF75168D";

// The bitmap encoded in `format`, in memory.
std::string Encoded(FIBITMAP* bitmap, FREE_IMAGE_FORMAT format);

// The photograph: a real JPEG of its own size, its depth stored beside it.
std::string Photo(int width = 8, int height = 8);

// A grey PNG of 8 or 16 bits whose rows from the top hold `levels`.
std::string GreyPng(int width, int height, const std::vector<int>& levels, bool sixteenBits = false);

std::string Base64(const std::string& bytes);

// An APP1 segment: its id, then the payload.
std::string App1(std::string_view id, const std::string& payload);

// One chunk of extended XMP.
std::string ExtendedChunk(std::string_view guid, std::size_t fullLength, std::size_t offset, const std::string& chunk);

// The photograph with these segments after its start marker.
std::string WithSegments(std::string jpeg, const std::vector<std::string>& segments);

// An XMP packet around an RDF description.
std::string Packet(const std::string& description);

// GDepth properties as attributes, the data among them unless it is empty.
std::string GDepthAttributes(const std::string& format, const std::string& near, const std::string& far,
                             const std::string& data, const std::string& more = "");

// An Exif block (a little TIFF) whose first directory holds only the
// orientation (1 to 8, or any number to see it refused).
std::string ExifOrientation(int orientation);

} // namespace velmora::test
