// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "tests/support/RunProgram.h"

#include <string>
#include <vector>

// The command-line program as its tests run it; the target that includes
// this defines VELMORA_CLI as the program's path.
namespace velmora::test {

inline ProgramResult Cli(const std::vector<std::string>& arguments) { return RunProgram(VELMORA_CLI, arguments); }

// Whether the run said `text` on its error stream.
inline bool Says(const ProgramResult& result, const std::string& text)
{
    return result.err.find(text) != std::string::npos;
}

} // namespace velmora::test
