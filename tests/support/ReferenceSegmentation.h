// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>

namespace velmora::test {

// The segmentation steps written the straightforward way: every 3 x 3 window
// read whole through PixelAt, the membership rules spelt out cell by cell.
// They write BMP files.

void ReferenceLaplacianSign(const std::string& sourcePath, const std::string& destinationPath);
void ReferenceGradient(const std::string& sourcePath, const std::string& destinationPath);
void ReferenceSmoothBySegments(const std::string& outlinePath, const std::string& inputPath,
                               const std::string& outputPath);

} // namespace velmora::test
