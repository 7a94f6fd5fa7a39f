// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "cli/ConsoleSink.h"
#include "imaging/RunOptions.h"
#include "imaging/files/PrivateFolder.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <string>

namespace velmora::cli {

// Where a command's depth map comes from, and how one of another size than
// the picture's is brought to it.
struct DepthSource {
    std::string depth; // a depth map file
    std::string fit;   // "scale", "crop", or empty: scaled when the shapes agree, refused otherwise
};

// --depth (required) and --depth-fit.
void AddDepthSourceOptions(CLI::App& command, DepthSource& source, const std::string& depthHelp);

// The depth map file the routines are to read for the picture, and the
// private folder that holds it when it was made here.
struct PreparedDepth {
    std::string path;
    std::unique_ptr<PrivateFolder> folder;
};

// The given depth map when its size is the picture's (or either cannot be
// read: the routine then reports it, as ever), or when --depth-fit crop
// lets the routines use the area both have; otherwise the depth map scaled
// to the picture, written to a private folder, with a note on a terminal.
// A depth map of another shape without --depth-fit is a UsageError naming
// both sizes and both ways out. None, after the message, when the scaled
// map cannot be made.
std::optional<PreparedDepth> PrepareDepth(const std::string& picturePath, const DepthSource& source,
                                          const RunOptions& options, ConsoleSink& sink);

} // namespace velmora::cli
