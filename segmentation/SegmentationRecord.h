// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <functional>
#include <string>

namespace velmora {

// What the Segmentation Smoothing dialog keeps of its last commands.
struct SegmentationRecord {
    int smoothingDegree = 0;     // degree read by the last smoothing
    bool smoothFailed = false;   // a pass of the last smoothing could not read an input
    std::string outlineFileName; // outline file of the last command
    int bitsPerPixel = 0;        // bits per pixel of the last input a step read, as stored
    int outlineLevel = 0;        // level read by the last outline command
};

// Shows a produced file and returns when the user has closed it.
using PreviewFunction = std::function<void(const std::string& fileName)>;

} // namespace velmora
