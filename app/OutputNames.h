// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>
#include <vector>

namespace velmora {

// The files a run writes, and, when they are not those the user chose, why.
struct OutputFiles {
    std::vector<std::string> paths;
    std::string moved; // "photo.png is an input", "view-00.png already exists"; empty when as chosen
};

// Whether `path` names the picture or the depth map: letter case ignored,
// or the same file by another name. The run never writes over either.
bool NamesAnInput(const std::string& path, const std::string& imagePath, const std::string& depthPath);

// The output file of a run from the save dialog's answer: ".ext" appended
// when the typed name has no extension (no dot, or nothing after the last
// one); when that names the picture or the depth map, "2" is put before the
// file name, which then lies in the current folder, the one the dialog
// chose, and again until it names neither, nor, unless the dialog asked
// about it, a file this process did not write. The output extension never
// changes the written format.
OutputFiles MakeOutputPath(const std::string& answer, const std::string& extension, const std::string& imagePath,
                           const std::string& depthPath);

// The `count` views of a series from the save dialog's answer NAME.EXT:
// NAME-00.EXT, NAME-01.EXT..., as the command line's NAME-%02d.EXT names
// them (EXT is `extension` when the answer has none). The answer itself is
// not written, so the dialog asked about none of them: when one names an
// input or a file this process did not write, "2" goes before NAME, as for
// MakeOutputPath, until none does.
OutputFiles MakeViewSeriesPaths(const std::string& answer, const std::string& extension, int count,
                                const std::string& imagePath, const std::string& depthPath);

// The depth map made from a pair, from the save dialog's answer, and the
// picture it belongs to beside it (PictureBesideDepthMap); "2" goes before
// the name, as for MakeOutputPath, while either names an input or the
// picture a file this process did not write.
OutputFiles MakeDepthAndPicturePaths(const std::string& answer, const std::string& extension,
                                     const std::string& imagePath, const std::string& depthPath);

// Where a run smooths the depth map: "DepthMapTemp." + extension in the
// current folder, unless that is one of the user's files (the output, the
// picture or the depth map itself) or any file but a temporary one this
// process wrote; then "DepthMapTemp2.", "DepthMapTemp3."...
std::string SmoothedDepthMapPath(int saveFormat, const std::vector<std::string>& userFiles);

} // namespace velmora
