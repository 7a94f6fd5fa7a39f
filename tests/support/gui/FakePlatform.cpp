// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/support/gui/FakePlatform.h"

#include <filesystem>

namespace velmora::test {
namespace {

template <typename Answer>
Answer Next(std::deque<Answer>& answers, Answer otherwise)
{
    if (answers.empty())
        return otherwise;
    Answer answer = answers.front();
    answers.pop_front();
    return answer;
}

// As the real dialogs do: the chosen file's folder becomes current.
std::optional<std::string> Chosen(const std::optional<std::string>& answer)
{
    if (answer) {
        const auto folder = std::filesystem::absolute(*answer).parent_path();
        std::error_code ignored;
        std::filesystem::current_path(folder, ignored);
    }
    return answer;
}

} // namespace

void FakePlatform::ShowMessage(QWidget*, const std::string& text)
{
    messages.push_back(text);
    if (onMessage)
        onMessage(text);
}

std::optional<std::string> FakePlatform::AskOpenFile(QWidget*, const FileDialogRequest& request)
{
    openRequests.push_back(request);
    return Chosen(Next(openAnswers, std::optional<std::string>()));
}

std::optional<std::string> FakePlatform::AskSaveFile(QWidget*, const FileDialogRequest& request)
{
    saveRequests.push_back(request);
    std::optional<std::string> answer = Next(saveAnswers, std::optional<std::string>());
    if (!answer)
        return answer;
    // As the real dialog does: a typed name without a dot gets the default
    // suffix, then an existing file is replaced only if the user agrees (a
    // user who does not then cancels); the program that writes elsewhere
    // asks nothing.
    if (!request.defaultSuffix.empty() &&
        std::filesystem::path(*answer).filename().string().find('.') == std::string::npos)
        *answer += "." + request.defaultSuffix;
    if (std::filesystem::exists(*answer) && !(request.neverReplaced && request.neverReplaced(*answer))) {
        replaceQuestions.push_back(*answer);
        if (!Next(replaceAnswers, true))
            return std::nullopt;
    }
    return Chosen(answer);
}

int FakePlatform::ShellOpen(const std::string& target)
{
    shellOpened.push_back(target);
    // As the desktop does, a missing local file cannot be opened.
    if (!target.empty() && target.front() == '/' && !std::filesystem::exists(target))
        return shell_codes::kFileNotFound;
    return shellResult;
}

int FakePlatform::StartCommandLine(const std::string& commandLine)
{
    commandLines.push_back(commandLine);
    return commandResult;
}

void FakePlatform::SetWaitCursor(bool waiting)
{
    waitCursorDepth += waiting ? 1 : -1;
    if (waiting)
        ++waitCursorShown;
}

} // namespace velmora::test
