// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>

namespace velmora {

// JPEG quality, 1 to 100, unless the command line is told otherwise.
inline constexpr int kDefaultJpegQuality = 90;

// The processor's cores; at least 1.
int HardwareThreads();

// An eighth of the physical memory (a run holds several bitmaps of the
// picture's size at once), and never less than 64 MB.
std::uint64_t DefaultPictureLimit();

// What a run may use of the machine, and how it writes, handed down as an
// argument from the command line, the window or a test to every routine that
// reads, writes or shares rows among threads. Nothing of it is kept
// process-wide, so runs in one process (a batch's pictures) never change
// each other's.
struct RunOptions {
    int threads = HardwareThreads();       // threads that share a routine's rows; results never depend on it
    int jpegQuality = kDefaultJpegQuality; // of written JPEG files, 1 to 100
    std::uint64_t pictureLimit = DefaultPictureLimit(); // bytes the pixels of a read picture may take
    // A written name that is a symbolic link: false, the file it points to
    // is replaced (a link the user made); true, the link itself (a shared
    // folder, where anyone who may write there could plant one).
    bool replaceLinks = false;
};

} // namespace velmora
