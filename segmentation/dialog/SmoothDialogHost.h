// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/threads/ProgressSink.h"
#include "segmentation/SegmentationCommands.h"

#include <string>

namespace velmora {

class Platform;

// What the Segmentation Smoothing dialog needs of the main window.
class SmoothDialogHost {
public:
    virtual ~SmoothDialogHost() = default;

    // The picture, depth map and settings a command works on, taken when
    // the command starts.
    virtual SegmentationInputs CurrentSegmentationInputs() const = 0;
    // Where failures are reported.
    virtual ProgressSink& MessageSink() = 0;
    // Shows a produced file and returns when the user has closed it.
    virtual void ShowPreviewOf(const std::string& fileName) = 0;
    // Makes the smoothed depth map the current one.
    virtual void AdoptDepthMap(const std::string& path, const std::string& title) = 0;
    virtual Platform& DesktopPlatform() = 0;
};

} // namespace velmora
