// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/files/FileStatus.h"
#include "imaging/picture/Bitmap.h"
#include "imaging/picture/BytePlane.h"

#include <cstdint>
#include <optional>
#include <string>

#include <FreeImage.h>

namespace velmora {

// A picture read from a file, or why there is none.
struct ImageRead {
    Bitmap bitmap;
    FileStatus status;
};

// Reads a file as it is stored, in the format its content has (the name's
// extension decides only for content that no format recognises). Refused
// before any pixel is decoded: what is not a regular file (a folder, a FIFO,
// a device), and a picture whose header claims more than the options'
// picture limit (kTooLarge). Refused after decoding: a file the library cannot decode, or
// that is cut short. HEIF pictures (a phone's HEIC) are read through libheif
// (HeifFile), upright as the file says.
ImageRead ReadImageFile(const std::string& path, const RunOptions& options);

// Whether the name's extension is one of a picture format the program reads
// (.png, .jpg, .bmp, .tif, .heic...), whatever the file holds.
bool NamedAsPicture(const std::string& path);

// ReadImageFile, then anything that is not 24 bits per pixel (8-bit grey,
// 16-bit grey, paletted, 32-bit with alpha, 48-bit...) is converted to 24 bits,
// so that the processing routines always find three bytes per pixel inside a
// scanline. 16-bit grey keeps its high byte; alpha is dropped. The resolution
// of the file is kept.
ImageRead ReadRgbImageFile(const std::string& path, const RunOptions& options);

// One byte (0 blue, 1 green, 2 red) of every pixel of the picture that
// ReadRgbImageFile reads, as a plane, or why there is none, refused alike: a
// plain 24-bit BMP is read straight into it, so that the other two bytes
// never take memory; any other picture is read whole first.
struct PlaneRead {
    BytePlane plane;
    FileStatus status;
};
PlaneRead ReadImageChannel(const std::string& path, int channel, const RunOptions& options);

// The same bitmap when it is 24-bit already, otherwise its 24-bit conversion
// as ReadRgbImageFile makes it; none when it cannot be converted.
Bitmap ConvertToRgb(Bitmap bitmap);

// The horizontal resolution stored in a file's header, in pixels per metre,
// read without decoding the pixels where the format allows; none, and why,
// when ReadImageFile would refuse the file before decoding, or the header
// cannot be read.
struct ResolutionRead {
    std::optional<std::int32_t> pixelsPerMetre;
    FileStatus status;
};
ResolutionRead ReadHorizontalResolution(const std::string& path, const RunOptions& options);

// A picture's size as it will be read (upright), from its header alone; 0 x
// 0, and why, when ReadImageFile would refuse the file before decoding.
struct SizeRead {
    int width = 0;
    int height = 0;
    FileStatus status;
};
SizeRead ReadPictureSize(const std::string& path, const RunOptions& options);

// Writes as BMP, PNG, TIFF or JPEG by `saveFormat` (SaveFormat), whatever
// the path's extension says, with the library's default options (JPEG at
// the options' quality, taken to 1..100, colour at full resolution, Huffman
// tables made for the picture; 24-bit PNG and JPEG encoded by our own
// encoders on the options' threads), replacing the
// file at once (AtomicFile): a failed write leaves it as it was. Fails for
// an unknown format, and with the system's reason when a write, the flush to
// the disk or the rename fails (missing folder, no permission, full disk...).
FileStatus WriteImageFile(FIBITMAP* bitmap, const std::string& path, int saveFormat, const RunOptions& options);

} // namespace velmora
