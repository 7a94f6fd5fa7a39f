// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/files/FilePaths.h"
#include "imaging/formats/SaveFormat.h"

#include <functional>
#include <string>
#include <vector>

namespace velmora {

// The file name without its folder and without the part from its last dot:
// "/a/photo.1.png" -> "photo.1"; a name without a dot is taken whole.
std::string FileTitle(const std::string& path);

// The file name without its folder.
std::string FileName(const std::string& path);

// Names of the intermediate files, without a folder: they lie in the current
// folder.
std::string SmoothedDepthMapName(int saveFormat);                          // "DepthMapTemp.bmp"
std::string OutlineFileName(const std::string& imageTitle, int saveFormat);  // "photo-outline.bmp"
std::string GradientFileName(const std::string& imageTitle, int saveFormat); // "photo-gradient.bmp"

// Where the picture a depth map made from a pair belongs to goes when no
// name is given: beside it, "photo-depth.png" -> "photo-depth-picture.png".
std::string PictureBesideDepthMap(const std::string& depthPath);

// `name` itself, or with 2, 3... before its extension, whichever comes first
// that is not `taken`: "DepthMapTemp.bmp", "DepthMapTemp2.bmp"...
std::string FirstFreeName(const std::string& name, const std::function<bool(const std::string&)>& taken);

// Whether `fileName` is `name` or one of FirstFreeName's numbered forms of it.
bool IsNameOrNumberedForm(const std::string& fileName, const std::string& name);

// Deletes, from the current folder, the gradient, outline and smoothed depth
// map files of this picture with the current format's extension (and their
// numbered forms), in this order; but only files this process wrote there
// and nobody has changed since (WrittenFiles), and none of the `keep` files:
// a user's file that bears such a name is the user's. Files that cannot be
// deleted are passed over.
void DeleteTempFiles(const std::string& imagePath, int saveFormat, const std::vector<std::string>& keep = {});

} // namespace velmora
