// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/support/RunProgram.h"

#include "tests/support/TestImages.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace velmora::test {
namespace {

// The process's environment with `changes` ("NAME=value") put in.
std::vector<std::string> Environment(const std::vector<std::string>& changes)
{
    std::vector<std::string> variables;
    for (char** variable = environ; *variable != nullptr; ++variable)
        variables.emplace_back(*variable);
    for (const std::string& change : changes) {
        const std::string name = change.substr(0, change.find('=') + 1);
        std::erase_if(variables, [&](const std::string& v) { return v.rfind(name, 0) == 0; });
        variables.push_back(change);
    }
    return variables;
}

std::vector<char*> Pointers(std::vector<std::string>& words)
{
    std::vector<char*> pointers;
    for (std::string& word : words)
        pointers.push_back(word.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

RunningProgram::RunningProgram(const std::string& program, const std::vector<std::string>& arguments,
                               const std::vector<std::string>& environment)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "velmora-run-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        return;
    folder_ = pattern;
    const std::string outPath = (folder_ / "out").string(), errPath = (folder_ / "err").string();

    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<std::string> variables = Environment(environment);
    std::vector<char*> argv = Pointers(words), envp = Pointers(variables);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (posix_spawn(&child_, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
        child_ = -1;
    posix_spawn_file_actions_destroy(&actions);
}

RunningProgram::~RunningProgram()
{
    if (child_ > 0) {
        kill(child_, SIGKILL);
        waitpid(child_, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

void RunningProgram::Signal(int signal)
{
    if (child_ > 0)
        kill(child_, signal);
}

ProgramResult RunningProgram::Finish(int status)
{
    child_ = -1;
    ProgramResult result;
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    result.out = ReadBytes((folder_ / "out").string());
    result.err = ReadBytes((folder_ / "err").string());
    return result;
}

ProgramResult RunningProgram::Wait()
{
    if (child_ <= 0)
        return {};
    int status = 0;
    waitpid(child_, &status, 0);
    return Finish(status);
}

std::optional<ProgramResult> RunningProgram::WaitAtMost(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (child_ > 0) {
        int status = 0;
        if (waitpid(child_, &status, WNOHANG) == child_)
            return Finish(status);
        if (std::chrono::steady_clock::now() > deadline) {
            Signal(SIGKILL);
            Wait();
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return ProgramResult{};
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments)
{
    return RunningProgram(program, arguments).Wait();
}

bool PythonHas(const std::string& module)
{
    return RunProgram(kPython, {"-c", "import " + module}).exitCode == 0;
}

ProgramResult RunOnTerminal(const std::string& program, const std::vector<std::string>& arguments)
{
    // Every word in single quotes, each quote in it closed, escaped and reopened.
    std::vector<std::string> words {program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::string command;
    for (const std::string& word : words) {
        std::string quoted = "'";
        for (const char c : word)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        command += quoted + "' ";
    }
    return RunProgram("/usr/bin/script", {"-qec", command, "/dev/null"});
}

} // namespace velmora::test
