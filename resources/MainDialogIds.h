// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Control ids of the main window (dialog template 102).
namespace velmora::main_ids {

enum : int {
    kOpenImage = 1000,
    kImageName = 1001,
    kOpenDepthMap = 1002,
    kDepthName = 1003,
    kViewCount = 1004,
    kViewingAngle = 1005,
    kParallax = 1006,
    kLenticularViews = 1007,
    kAutoParallax = 1008,
    kAnaglyph = 1009,
    kSaveAs = 1010,
    kProgress = 1011,
    kSmoothingRadius = 1017,
    kHelp = 1018,
    kPreviewImages = 1019,
    kGrey = 1020,
    kColour = 1021,
    kStatus = 1022,
    kStereoWindowText = 1024,
    kIntegralViews = 1027,
    kAbout = 1028,
    kStereoWindow = 1029,
    kSmooth = 1031,
    kDeleteTempFiles = 1033,
    kViewMaster = 1036,
    kImageFrame = 1038,
    kDepthFrame = 1039,
    kCrossEyed = 1044,
    kLcShutter = 1045,
    kDepthFromPair = 1046,
};

} // namespace velmora::main_ids
