// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>

namespace velmora {

// How a processing routine reports to whoever runs it: the main window's
// status line, progress bar and message boxes, or the command line's stderr.
// Every call happens on the thread that runs the routine.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;

    // Names the step that runs.
    virtual void SetStatus(const std::string& text) = 0;
    // A counted step of `total` units begins.
    virtual void BeginProgress(int total) = 0;
    // One unit of the counted step is done.
    virtual void StepProgress() = 0;
    // The counted step is over; the bar goes back to 0.
    virtual void ResetProgress() = 0;
    // Keeps a window alive inside long loops. Called once per row or column,
    // so implementations must return at next to no cost and never block.
    virtual void PumpOneMessage() = 0;
    // Reports a failure to the user; returns when the user has seen it.
    virtual void ShowMessage(const std::string& text) = 0;

    // Follows a message about a file with the file and why ("No space left
    // on device"). The window keeps to its fixed texts and passes over it;
    // the command line prints it on a line of its own.
    virtual void ExplainFailure(const std::string& /*path*/, const std::string& /*reason*/) {}
    // Says something that is no failure (how a value was worked out); the
    // window passes over it, the command line prints it.
    virtual void ShowNote(const std::string& /*text*/) {}
};

// Takes every report and shows none: for work that keeps no window alive.
class SilentSink : public ProgressSink {
public:
    void SetStatus(const std::string&) override {}
    void BeginProgress(int) override {}
    void StepProgress() override {}
    void ResetProgress() override {}
    void PumpOneMessage() override {}
    void ShowMessage(const std::string&) override {}
};

} // namespace velmora
