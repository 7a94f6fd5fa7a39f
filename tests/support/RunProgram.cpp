#include "tests/support/RunProgram.h"

#include "tests/support/TestImages.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

extern char** environ;

namespace velmora::test {

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments)
{
    std::string folderPattern = (std::filesystem::temp_directory_path() / "velmora-run-XXXXXX").string();
    if (mkdtemp(folderPattern.data()) == nullptr)
        return {};
    const std::filesystem::path folder = folderPattern;
    const std::string outPath = (folder / "out").string(), errPath = (folder / "err").string();

    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t child = 0;
    ProgramResult result;
    if (posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(child, &status, 0);
        if (WIFEXITED(status))
            result.exitCode = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    result.out = ReadBytes(outPath);
    result.err = ReadBytes(errPath);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return result;
}

} // namespace velmora::test
