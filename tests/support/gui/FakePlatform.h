// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/Platform.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace velmora::test {

// A scripted desktop for tests: dialogs answer at once from the queues (an
// empty queue cancels), and everything shown or started is recorded.
class FakePlatform : public Platform {
public:
    void ShowMessage(QWidget* owner, const std::string& text) override;
    void Beep() override { ++beeps; }
    std::optional<std::string> AskOpenFile(QWidget* owner, const FileDialogRequest& request) override;
    std::optional<std::string> AskSaveFile(QWidget* owner, const FileDialogRequest& request) override;
    int ShellOpen(const std::string& target) override;
    std::optional<std::string> RegisteredBrowserCommand() override { return browserCommand; }
    int StartCommandLine(const std::string& commandLine) override;
    void SetWaitCursor(bool waiting) override;
    std::string ExecutablePath() override { return executablePath; }

    // The user's next answers.
    void GivenUserOpens(const std::string& path) { openAnswers.push_back(path); }
    void GivenUserSaves(const std::string& path) { saveAnswers.push_back(path); }
    void GivenUserCancelsTheDialog() { openAnswers.push_back(std::nullopt); }
    void GivenUserDeclinesReplacing() { replaceAnswers.push_back(false); }

    std::deque<std::optional<std::string>> openAnswers;
    std::deque<std::optional<std::string>> saveAnswers;
    std::vector<FileDialogRequest> openRequests;
    std::vector<FileDialogRequest> saveRequests;
    std::deque<bool> replaceAnswers;         // an empty queue agrees
    std::vector<std::string> replaceQuestions; // the files the save dialog asked about

    std::vector<std::string> messages;
    std::function<void(const std::string&)> onMessage; // runs while the message "is shown"
    int beeps = 0;

    int shellResult = shell_codes::kSucceeded;
    std::vector<std::string> shellOpened;
    std::optional<std::string> browserCommand;
    int commandResult = shell_codes::kSucceeded;
    std::vector<std::string> commandLines;

    int waitCursorDepth = 0;
    int waitCursorShown = 0; // how many times it was turned on
    std::string executablePath = "/opt/velmora/bin/velmora";
};

} // namespace velmora::test
