#include "tests/support/gui/FakePlatform.h"

#include <filesystem>

namespace velmora::test {
namespace {

std::optional<std::string> Answer(std::deque<std::optional<std::string>>& answers)
{
    if (answers.empty())
        return std::nullopt;
    std::optional<std::string> answer = answers.front();
    answers.pop_front();
    if (answer) {
        // As the real dialogs do: the chosen file's folder becomes current.
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
    return Answer(openAnswers);
}

std::optional<std::string> FakePlatform::AskSaveFile(QWidget*, const FileDialogRequest& request)
{
    saveRequests.push_back(request);
    return Answer(saveAnswers);
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
