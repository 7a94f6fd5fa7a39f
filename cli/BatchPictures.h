// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>
#include <vector>

namespace velmora::cli {

// Where batch finds each picture's depth map: a file of the same stem in a
// folder of its own, or one beside the picture named stem + suffix, with or
// without a picture extension of its own ("photo-depth.png" for "photo.jpg"
// and the suffix "-depth").
struct DepthMapPlace {
    std::string folder;
    std::string suffix;
    bool made = false; // none is looked for: each is made from its picture
};

// A picture of the batch and its depth map, found or not.
struct BatchPicture {
    std::string image;
    std::string stem;    // "photo" for ".../photo.jpg"
    std::string partner; // its depth map, or for a pair its right eye; empty when none was found or looked for
    std::string problem; // why it cannot be made: not a regular file, no depth map or several
};

// The pictures of `folder`: its entries whose names end in a picture
// extension, except hidden ones and, with a suffix, the depth maps
// themselves; in name order. Those that are not regular files (links
// followed) come with the reason (a folder, a FIFO, a loop of links...).
// Throws std::runtime_error, naming the folder and the reason, when a folder
// cannot be read.
std::vector<BatchPicture> FindBatchPictures(const std::string& folder, const DepthMapPlace& depths);

} // namespace velmora::cli
