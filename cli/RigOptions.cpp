// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/RigOptions.h"

#include "imaging/pairs/RigFile.h"
#include "imaging/stereo/Messages.h"
#include "imaging/stereo/RoutineSteps.h"

#include <variant>

namespace velmora::cli {

CLI::Option* AddRigOption(CLI::App& command, std::string& rigFile)
{
    return command
        .add_option("--rig", rigFile,
                    "Straighten from the geometry of the rig that took the pair, saved by 'batch align --one-rig "
                    "--save-rig FILE' from the rig's other pairs, so that a pattern filling the frame cannot "
                    "mislead it; a pair the rig does not fit is aligned on its own")
        ->type_name("FILE");
}

std::vector<NamedFile> WithRig(std::vector<NamedFile> inputs, const std::string& rigFile)
{
    if (!rigFile.empty())
        inputs.push_back({"--rig", rigFile});
    return inputs;
}

bool ReadRigOption(const std::string& rigFile, std::optional<RigGeometry>& rig, ProgressSink& sink)
{
    rig.reset();
    if (rigFile.empty())
        return true;
    auto read = ReadRigFile(rigFile);
    if (const auto* why = std::get_if<std::string>(&read)) {
        sink.ShowMessage(messages::kRigNotRead);
        sink.ExplainFailure(rigFile, *why);
        return false;
    }
    rig = std::get<RigGeometry>(read);
    return true;
}

bool SaveRigOrReport(const RigGeometry& rig, const std::string& path, const RunOptions& runOptions, ProgressSink& sink)
{
    const FileStatus written = WriteRigFile(rig, path, runOptions);
    if (!written)
        ReportWriteFailure(path, written, sink);
    return bool(written);
}

} // namespace velmora::cli
