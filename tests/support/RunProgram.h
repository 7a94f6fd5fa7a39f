#pragma once

#include <string>
#include <vector>

namespace velmora::test {

struct ProgramResult {
    int exitCode = -1; // -1 when the program could not be started or was killed
    std::string out;
    std::string err;
};

// Runs a program (no shell) with stdin closed and returns what it printed.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments);

} // namespace velmora::test
