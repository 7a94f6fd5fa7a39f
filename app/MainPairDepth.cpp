// SPDX-License-Identifier: GPL-3.0-or-later

// The depth map of the stereo pair the picture came from.

#include "app/CMainDlg.h"

#include "app/OutputNames.h"
#include "imaging/formats/ImageFile.h"
#include "imaging/formats/SaveFormat.h"
#include "imaging/matching/PairAlignment.h"
#include "imaging/matching/PairDepth.h"
#include "imaging/pairs/PairFiles.h"
#include "imaging/stereo/AllocationGuard.h"
#include "imaging/stereo/Messages.h"
#include "imaging/stereo/RoutineSteps.h"
#include "imaging/stereo/TempFiles.h"
#include "imaging/threads/AwayFromTheWindow.h"
#include "platform/Platform.h"

#include <filesystem>

namespace velmora {

bool CMainDlg::WriteDepthFromPair(const std::vector<std::string>& outputs)
{
    PairRead pair = ReadStereoPair(PairSource{pairPath_, std::nullopt, "", ""}, runOptions_);
    if (!pair.left) {
        ShowMessage(ReadFailureMessage(Failure(pair.kind, pair.problem), messages::kCouldntLoadBitmap));
        return false;
    }
    // Each step takes seconds on a large pair: the line says which one runs
    // before it starts, and the window stays alive while it runs.
    const auto starting = [this](const char* status) {
        SetStatus(status);
        PumpOneMessage();
    };
    return GuardAllocation(*this, [&] {
        BeginProgress(2);
        starting(messages::kStatusAligning);
        auto aligned = AwayFromTheWindow(*this, [&] { return AlignPair(pair.left.get(), pair.right.get()); });
        if (const auto* why = std::get_if<std::string>(&aligned)) {
            ResetProgress();
            ShowMessage(messages::kPairNotAligned + *why);
            return false;
        }
        // Eyes whose rows agree already are matched as they are, not cut.
        const AlignedPair& straightened = std::get<AlignedPair>(aligned);
        const bool asTheyAre =
            RowsAlreadyAgree(straightened.alignment, Width(pair.left.get()), Height(pair.left.get()));
        FIBITMAP* left = (asTheyAre ? pair.left : straightened.left).get();
        FIBITMAP* right = (asTheyAre ? pair.right : straightened.right).get();
        StepProgress();
        starting(messages::kStatusPairDepth);
        auto made = AwayFromTheWindow(*this, [&] { return DepthFromPair(left, right); });
        ResetProgress();
        if (const auto* why = std::get_if<std::string>(&made)) {
            ShowMessage(messages::kNoDepthMapMade + *why);
            return false;
        }
        // The picture first: a depth map left without the aligned eye it
        // belongs to would be taken for the unaligned one's.
        return WriteOrReport(left, outputs[1], settings_.saveFormat, runOptions_, *this) &&
               WriteOrReport(std::get<PairDepth>(made).depth.get(), outputs[0], settings_.saveFormat, runOptions_,
                             *this);
    });
}

void CMainDlg::MakeDepthFromPair()
{
    if (BeepsWhileBusy() || pairPath_.empty()) // a picture that failed to open since leaves no pair
        return;
    const std::string pairName = FileName(pairPath_);
    // The stereo file is the input the made files must never replace; the
    // picture read from it lies in a private folder.
    const auto naming = [this](const std::string& answer) {
        return MakeDepthAndPicturePaths(answer, FormatExtension(settings_.saveFormat), pairPath_, paths_.depthPath);
    };
    const std::optional<OutputFiles> made =
        RunOutput(naming, [this](const std::vector<std::string>& outputs) { return WriteDepthFromPair(outputs); });
    if (!made)
        return;
    // Names moved aside lie in the dialog's folder, still the current one;
    // the window keeps whole paths, as the current folder changes.
    std::error_code ignored;
    const std::string depth = std::filesystem::absolute(made->paths[0], ignored).string();
    const std::string picture = std::filesystem::absolute(made->paths[1], ignored).string();
    SetStatus("The depth map " + FileName(depth) + " was made from the stereo pair " + pairName +
              "; the picture is its aligned left eye" + (made->moved.empty() ? "" : " (" + made->moved + ")"));
    // A notice about the picture's settings takes the line until it ends.
    OpenImageFile(picture);
    OpenDepthMapFile(depth);
}

} // namespace velmora
