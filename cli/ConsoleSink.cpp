// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/ConsoleSink.h"

#include <algorithm>

namespace velmora::cli {
namespace {

constexpr int kBarWidth = 30;

}

ConsoleSink::ConsoleSink(std::ostream& out, bool showProgress) : out_(out), showProgress_(showProgress) {}

ConsoleSink::~ConsoleSink()
{
    ClearLine();
}

void ConsoleSink::SetStatus(const std::string& text)
{
    status_ = text;
    total_ = 0;
    Draw();
}

void ConsoleSink::BeginProgress(int total)
{
    total_ = std::max(total, 0);
    done_ = 0;
    shownPercent_ = -1;
    Draw();
}

void ConsoleSink::StepProgress()
{
    ++done_;
    Draw();
}

void ConsoleSink::ResetProgress()
{
    total_ = 0;
    done_ = 0;
    ClearLine();
}

void ConsoleSink::ShowMessage(const std::string& text)
{
    failed_ = true;
    ShowNote(text);
}

void ConsoleSink::ShowNote(const std::string& text)
{
    ClearLine();
    out_ << "velmora-cli: " << text << '\n' << std::flush;
}

void ConsoleSink::ExplainFailure(const std::string& path, const std::string& reason)
{
    failed_ = true;
    ClearLine();
    out_ << "velmora-cli: " << path << ": " << reason << '\n' << std::flush;
}

void ConsoleSink::Draw()
{
    if (!showProgress_)
        return;
    if (total_ <= 0) {
        ClearLine();
        out_ << status_ << "..." << std::flush;
        lineShown_ = true;
        return;
    }
    const int percent = static_cast<int>(std::min<long long>(100, done_ * 100 / total_));
    if (percent == shownPercent_)
        return; // redraw only when the bar moves, so that a step per row stays cheap
    shownPercent_ = percent;
    const int filled = percent * kBarWidth / 100;
    out_ << '\r' << status_ << " [" << std::string(filled, '#') << std::string(kBarWidth - filled, '.') << "] "
         << percent << "%" << std::flush;
    lineShown_ = true;
}

void ConsoleSink::ClearLine()
{
    if (!lineShown_)
        return;
    out_ << "\r\033[K" << std::flush;
    lineShown_ = false;
}

} // namespace velmora::cli
