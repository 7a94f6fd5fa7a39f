// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <vector>

namespace velmora::cli {

// The name among `names` closest to `typed` (fewest letters to add, drop or
// change), when it is close enough to be what was meant.
std::optional<std::string> ClosestName(const std::string& typed, const std::vector<std::string>& names);

// What to tell the user about a command line the parser refused: an unknown
// command or option with the closest valid name ("did you mean 'anaglyph'?"),
// a missing command with the list of commands, otherwise the parser's own
// words.
std::string ExplainParseError(const CLI::ParseError& error, CLI::App& app);

} // namespace velmora::cli
