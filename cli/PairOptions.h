// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "cli/CommandOptions.h"
#include "imaging/pairs/PairFiles.h"

#include <optional>
#include <string>

namespace velmora::cli {

// The options that name a stereo pair: --stereo FILE with --stereo-layout,
// and, where the command has no --left and --right of its own, the two eyes'
// files.
struct PairOptions {
    std::string stereo;
    std::string layout;
    std::string left;
    std::string right;
};

void AddPairOptions(CLI::App& command, PairOptions& options, bool eyeFiles);

// align's options for the aligned pair: --layout, how a picture of both
// eyes holds them, and --window-margin, how far behind the screen the
// nearest matched point goes.
void AddAlignedPairOptions(CLI::App& command, std::string& layout, double& windowMargin);

// The pair the options name; none when they name none. A UsageError when
// they name one half-way (--left without --right, a layout without a file).
std::optional<PairSource> PairSourceOf(const PairOptions& options);

// The files a pair is read from, for the same-file refusal.
std::vector<NamedFile> PairInputs(const PairSource& source);

// Reads the pair; reports why not (exit status 1) when it cannot.
std::optional<PairRead> ReadPairOrReport(const PairSource& source, const RunOptions& runOptions, ProgressSink& sink);

} // namespace velmora::cli
