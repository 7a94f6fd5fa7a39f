// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Texts the segmentation operations show through ProgressSink::ShowMessage,
// and the status texts they run under.
namespace velmora::messages {

inline constexpr const char* kCouldntLoadOutline = "Couldn't load outline bitmap!";
inline constexpr const char* kCouldntLoadDepth3d = "Couldn't load 3dmap bitmap!";
inline constexpr const char* kCouldntLoadNewDepthMap = "Couldn't load new depth map bitmap!";

inline constexpr const char* kStatusOutline = "Outline image";
inline constexpr const char* kStatusSegmentSmoothing = "Smoothing the depth map by segments";

} // namespace velmora::messages
