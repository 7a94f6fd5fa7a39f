// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/support/RecordingSink.h"

namespace velmora::test {

void RecordingSink::SetStatus(const std::string& text)
{
    events.push_back("status:" + text);
}

void RecordingSink::BeginProgress(int total)
{
    events.push_back("begin:" + std::to_string(total));
}

void RecordingSink::StepProgress()
{
    ++steps;
    if (events.empty() || events.back() != "step")
        events.push_back("step");
}

void RecordingSink::ResetProgress()
{
    events.push_back("reset");
}

void RecordingSink::PumpOneMessage()
{
    ++pumps;
}

void RecordingSink::ShowMessage(const std::string& text)
{
    events.push_back("message:" + text);
    messages.push_back(text);
}

} // namespace velmora::test
