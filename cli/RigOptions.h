// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "cli/CommandOptions.h"
#include "imaging/matching/RigGeometry.h"

#include <optional>
#include <string>
#include <vector>

namespace velmora::cli {

// --rig FILE, of the commands that straighten pairs: a rig's geometry that
// batch align|depth --one-rig --save-rig saved.
CLI::Option* AddRigOption(CLI::App& command, std::string& rigFile);

// The files read, with --rig's when it names one, for the same-file refusal.
std::vector<NamedFile> WithRig(std::vector<NamedFile> inputs, const std::string& rigFile);

// Reads the rig --rig names into `rig`, none when it names none; false
// after the message when the file cannot be read.
bool ReadRigOption(const std::string& rigFile, std::optional<RigGeometry>& rig, ProgressSink& sink);

// Saves the rig; says why not when it cannot.
bool SaveRigOrReport(const RigGeometry& rig, const std::string& path, const RunOptions& runOptions, ProgressSink& sink);

} // namespace velmora::cli
