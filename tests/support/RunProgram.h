// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velmora::test {

struct ProgramResult {
    int exitCode = -1; // -1 when the program could not be started or was ended by a signal
    int signal = 0;    // the signal that ended it, if one did
    std::string out;
    std::string err;
};

// A program started in the background (no shell, stdin closed), its output
// captured. Killed and waited for if it still runs when the object goes.
class RunningProgram {
public:
    // `environment` adds or replaces variables: "TMPDIR=/some/folder".
    RunningProgram(const std::string& program, const std::vector<std::string>& arguments,
                   const std::vector<std::string>& environment = {});
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    void Signal(int signal);
    ProgramResult Wait();
    // None, after killing it, when it has not ended within `limit`.
    std::optional<ProgramResult> WaitAtMost(std::chrono::milliseconds limit);

private:
    ProgramResult Finish(int status);

    std::filesystem::path folder_;
    pid_t child_ = -1;
};

// Runs a program to its end and returns what it printed.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments);

// Debian's Python, the one with the modules scripts/setup installs (PIL,
// onnx), whatever python3 comes first on the PATH.
inline constexpr const char* kPython = "/usr/bin/python3";

// Whether that Python can import `module`.
bool PythonHas(const std::string& module);

// The same on a terminal of its own (through script(1)), for what a program
// prints only there: all it printed, stdout and stderr, is in `out`, with
// the terminal's line ends.
ProgramResult RunOnTerminal(const std::string& program, const std::vector<std::string>& arguments);

} // namespace velmora::test
