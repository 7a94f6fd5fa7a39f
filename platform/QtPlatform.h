// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/Platform.h"

namespace velmora {

// The desktop as Qt offers it.
class QtPlatform : public Platform {
public:
    void ShowMessage(QWidget* owner, const std::string& text) override;
    void Beep() override;
    std::optional<std::string> AskOpenFile(QWidget* owner, const FileDialogRequest& request) override;
    std::optional<std::string> AskSaveFile(QWidget* owner, const FileDialogRequest& request) override;
    int ShellOpen(const std::string& target) override;
    std::optional<std::string> RegisteredBrowserCommand() override;
    int StartCommandLine(const std::string& commandLine) override;
    void SetWaitCursor(bool waiting) override;
    std::string ExecutablePath() override;
};

// The caption of message boxes: the executable's file name without extension.
std::string ApplicationName();

} // namespace velmora
