// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Control ids of the Image Preview dialog (dialog template 133).
namespace velmora::preview_ids {

enum : int {
    kClose = 2,
    kFileName = 1037,
    kPaneFrame = 1040,
    kZoomIn = 1042,
    kZoomOut = 1043,
};

} // namespace velmora::preview_ids
