// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Texts the processing routines show through ProgressSink::ShowMessage.
// Users and scripts know them, so they never change.
namespace velmora::messages {

inline constexpr const char* kCouldntLoadBitmap = "Couldn't load bitmap!";
inline constexpr const char* kCouldntLoadDepthMap = "Couldn't load DepthMap bitmap!";
// Followed by the path of the file that could not be written.
inline constexpr const char* kCouldntSavePrefix = "Couldn't save ";
inline constexpr const char* kNotEnoughMemory = "Not enough memory for a picture of this size!";
inline constexpr const char* kLeftSizeUnknown = "MakeViewMaster (): cannot get size for left image";
inline constexpr const char* kColourDepthUnknown = "MakeViewMaster (): cannot get colour depth";
inline constexpr const char* kRightSizeUnknown = "MakeViewMaster (): cannot get size for right image";
inline constexpr const char* kNoAutomaticParallax = "I can't calculate the parallax automatically.";
inline constexpr const char* kEnterParallax = "Enter parallax!";

// Followed by why: the alignment's or the matching's reason.
inline constexpr const char* kPairNotAligned = "The pair cannot be aligned: ";
inline constexpr const char* kNoDepthMapMade = "No depth map can be made: ";
// Followed by the file and why, on a line of its own.
inline constexpr const char* kRigNotRead = "The rig's geometry cannot be read.";

// What an unreadable depth map is told with: the smoothing step reads it as
// any picture, the view step as the depth map. Every command that smooths
// first (or not) says the same, whatever it makes after.
inline constexpr const char* DepthMapReadFailure(bool smoothedFirst)
{
    return smoothedFirst ? kCouldntLoadBitmap : kCouldntLoadDepthMap;
}

// Status texts of the steps, as the status line shows them.
inline constexpr const char* kStatusSmoothing = "Depth map smoothing";
inline constexpr const char* kStatusAnaglyph = "Anaglyph image";
inline constexpr const char* kStatusLcShutter = "LC Shutter";
inline constexpr const char* kStatusAligning = "Aligning";
inline constexpr const char* kStatusPairDepth = "Depth";
// When nothing runs.
inline constexpr const char* kStatusReady = "Ready";

} // namespace velmora::messages
