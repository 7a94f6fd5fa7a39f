#pragma once

#include <string>
#include <vector>

namespace velmora {

// "bmp", "png" or "tif" for saveFormat 0, 1, 2; "" for anything else.
std::string FormatExtension(int saveFormat);

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

// Deletes, from the current folder, the gradient, outline and smoothed depth
// map files of this picture with the current format's extension, in this
// order. Missing files and files that cannot be deleted are passed over, and
// so is any of them that is one of the `keep` files: an output, picture or
// depth map that happens to bear a temporary file's name is the user's.
void DeleteTempFiles(const std::string& imagePath, int saveFormat, const std::vector<std::string>& keep = {});

// Whether two names reach the same file (through links, ".." and the
// current folder too); names of missing files are compared as absolute paths.
bool NamesSameFile(const std::string& first, const std::string& second);

} // namespace velmora
