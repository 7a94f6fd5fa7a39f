// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Control ids of the Segmentation Smoothing dialog (dialog template 132).
namespace velmora::smooth_ids {

enum : int {
    kClose = 1,
    kLevelText = 1026,
    kCreateOutline = 1027,
    kLevel = 1028,
    kSmooth = 1029,
    kDegree = 1030,
    kOpenDepthMap = 1032,
};

} // namespace velmora::smooth_ids
