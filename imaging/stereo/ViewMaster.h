// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/picture/Bitmap.h"
#include "imaging/stereo/StereoSettings.h"
#include "imaging/threads/ProgressSink.h"

#include <string>

namespace velmora {

// Composes a row-interleaved image for LC-shutter glasses over the common
// bottom-left area of both inputs: stored rows 0, 2, 4... (counted from the
// bottom) from the right image (the shifted view), rows 1, 3, 5... from the
// left image (the user's picture). rightPath may be outputPath itself.
// Returns false when a step failed; every failure shows its message.
bool MakeViewMaster(const std::string& outputPath, const std::string& leftPath, const std::string& rightPath,
                    StereoSettings settings, const RunOptions& options, ProgressSink& sink);

// The checks of the two pictures, each with its message.
bool CheckLeftPicture(FIBITMAP* left, ProgressSink& sink);
bool CheckRightPicture(FIBITMAP* right, ProgressSink& sink);

// The composition in memory, the rows shared among the options' threads; the
// caller sets the status. None, after the message, when there is no memory.
Bitmap ComposeViewMaster(FIBITMAP* left, FIBITMAP* right, const StereoSettings& settings, const RunOptions& options,
                         ProgressSink& sink);

// The same for a picture that nothing needs afterwards, `kept`, the right
// one (whose rows are the even ones) or the left: written over its own
// pixels, its rows kept and the other's copied between them, when it is the
// common area (the other is at least as large); else as above. The same
// bytes either way.
Bitmap ComposeViewMasterOver(Bitmap kept, FIBITMAP* other, bool keptIsRight, const StereoSettings& settings,
                             const RunOptions& options, ProgressSink& sink);

// The LC-shutter image of a pair's two eyes after the checks of both: the
// left eye's rows are the even ones, as the view's are in a whole run.
Bitmap ComposeEyesViewMaster(FIBITMAP* leftEye, FIBITMAP* rightEye, const StereoSettings& settings,
                             const RunOptions& options, ProgressSink& sink);

} // namespace velmora
