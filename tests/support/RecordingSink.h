// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/threads/ProgressSink.h"

#include <string>
#include <vector>

namespace velmora::test {

// Records what a routine reports. Pumps are only counted, since there is one
// per row; everything else is kept in order as "status:...", "begin:N",
// "step", "reset", "message:...".
class RecordingSink : public ProgressSink {
public:
    void SetStatus(const std::string& text) override;
    void BeginProgress(int total) override;
    void StepProgress() override;
    void ResetProgress() override;
    void PumpOneMessage() override;
    void ShowMessage(const std::string& text) override;

    std::vector<std::string> events;
    std::vector<std::string> messages;
    long long pumps = 0;
    int steps = 0;
};

// Reports nothing; for benchmarks.
using NullSink = SilentSink;

} // namespace velmora::test
