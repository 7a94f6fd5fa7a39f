// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>
#include <vector>

namespace velmora {

// Splits a command line into words as a POSIX shell would for quoting alone:
// blanks separate words; double and single quotes group; a backslash outside
// single quotes takes the next character as it is. Nothing is expanded.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

} // namespace velmora
