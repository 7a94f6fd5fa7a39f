// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Texts the segmentation operations show through ProgressSink::ShowMessage.
namespace velmora::messages {

inline constexpr const char* kCouldntLoadOutline = "Couldn't load outline bitmap!";
inline constexpr const char* kCouldntLoadDepth3d = "Couldn't load 3dmap bitmap!";
inline constexpr const char* kCouldntLoadNewDepthMap = "Couldn't load new depth map bitmap!";

} // namespace velmora::messages
