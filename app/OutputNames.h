// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>
#include <vector>

namespace velmora {

// The output path of a run from the save dialog's answer: ".ext" appended
// when the typed name has no extension (no dot, or nothing after the last
// one); when that names the picture or the depth map (letter case ignored,
// or the same file by another name), "2" is put before the file name, which
// then lies in the current folder, the one the dialog chose, and again until
// it names neither, nor, unless the dialog asked about it, a file this
// process did not write. The output extension never changes the written
// format.
std::string MakeOutputPath(const std::string& answer, const std::string& extension, const std::string& imagePath,
                           const std::string& depthPath);

// Where a run smooths the depth map: "DepthMapTemp." + extension in the
// current folder, unless that is one of the user's files (the output, the
// picture or the depth map itself) or any file but a temporary one this
// process wrote; then "DepthMapTemp2.", "DepthMapTemp3."...
std::string SmoothedDepthMapPath(int saveFormat, const std::vector<std::string>& userFiles);

} // namespace velmora
