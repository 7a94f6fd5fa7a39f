// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/threads/ProgressSink.h"

#include <ostream>
#include <string>

namespace velmora::cli {

// Reports on stderr: every message on a line of its own, and, when stderr is
// a terminal, the running step with a progress bar on one rewritten line.
class ConsoleSink : public ProgressSink {
public:
    ConsoleSink(std::ostream& out, bool showProgress);
    ~ConsoleSink() override; // leaves no progress line behind
    ConsoleSink(const ConsoleSink&) = delete;
    ConsoleSink& operator=(const ConsoleSink&) = delete;

    void SetStatus(const std::string& text) override;
    void BeginProgress(int total) override;
    void StepProgress() override;
    void ResetProgress() override;
    void PumpOneMessage() override {}
    void ShowMessage(const std::string& text) override;
    void ExplainFailure(const std::string& path, const std::string& reason) override;
    // A line that reports no failure (a picture skipped), in the same form.
    void ShowNote(const std::string& text) override;

    // Whether any step reported a failure.
    bool Failed() const { return failed_; }

private:
    void Draw();
    void ClearLine();

    std::ostream& out_;
    bool showProgress_;
    bool failed_ = false;
    bool lineShown_ = false;
    std::string status_;
    long long total_ = 0;
    long long done_ = 0;
    int shownPercent_ = -1;
};

} // namespace velmora::cli
