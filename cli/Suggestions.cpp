// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/Suggestions.h"

#include <algorithm>
#include <numeric>

namespace velmora::cli {
namespace {

// Levenshtein distance, with a swap of two neighbours counted as one edit.
std::size_t EditDistance(const std::string& a, const std::string& b)
{
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    std::iota(d[0].begin(), d[0].end(), std::size_t{0});
    for (std::size_t i = 1; i <= a.size(); ++i)
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

std::vector<std::string> CommandNames(const CLI::App& app)
{
    std::vector<std::string> names;
    for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; }))
        names.push_back(command->get_name());
    return names;
}

// Every spelling of every option of these commands: "--output", "-o".
std::vector<std::string> OptionNames(const std::vector<const CLI::App*>& commands)
{
    std::vector<std::string> names;
    for (const CLI::App* command : commands)
        for (const CLI::Option* option : command->get_options()) {
            for (const std::string& name : option->get_lnames())
                names.push_back("--" + name);
            for (const std::string& name : option->get_snames())
                names.push_back("-" + name);
        }
    return names;
}

std::string Suggesting(const std::string& what, const std::string& typed, const std::vector<std::string>& names)
{
    const auto closest = ClosestName(typed, names);
    return what + " '" + typed + "'" + (closest ? "; did you mean '" + *closest + "'?" : "");
}

} // namespace

std::optional<std::string> ClosestName(const std::string& typed, const std::vector<std::string>& names)
{
    std::optional<std::string> best;
    std::size_t bestDistance = std::max<std::size_t>(2, typed.size() / 3) + 1;
    for (const std::string& name : names) {
        const std::size_t distance = EditDistance(typed, name);
        if (distance < bestDistance) {
            best = name;
            bestDistance = distance;
        }
    }
    return best;
}

std::string ExplainParseError(const CLI::ParseError& error, CLI::App& app)
{
    // The commands given, the program first; a command may take a command
    // of its own (batch anaglyph).
    std::vector<const CLI::App*> given = {&app};
    std::vector<std::string> left = app.remaining(false);
    for (CLI::App* command = &app; !command->get_subcommands().empty();) {
        command = command->get_subcommands().front();
        given.push_back(command);
        const std::vector<std::string> more = command->remaining(false);
        left.insert(left.end(), more.begin(), more.end());
    }
    const CLI::App& innermost = *given.back();
    const std::vector<std::string> commandNames = CommandNames(innermost);
    const auto isOption = [](const std::string& word) { return word.size() > 1 && word[0] == '-'; };
    if (!commandNames.empty()) {
        const auto word = std::find_if_not(left.begin(), left.end(), isOption);
        if (word != left.end())
            return Suggesting("unknown command", *word, commandNames);
    }
    const auto unknownOption = std::find_if(left.begin(), left.end(), isOption);
    if (unknownOption != left.end()) {
        const std::string option = unknownOption->substr(0, unknownOption->find('='));
        // Given before the command's name, a command's own option is the
        // program's, which has no such option: say where it goes.
        if (ClosestName(option, OptionNames(given)) == option && given.size() > 1)
            return "'" + option + "' is an option of " + innermost.get_name() + ": give it after '" +
                   innermost.get_name() + "'";
        return Suggesting("unknown option", option, OptionNames(given));
    }
    if (!commandNames.empty()) {
        std::string list;
        for (const std::string& name : commandNames)
            list += (list.empty() ? "" : ", ") + name;
        return "give a command" + (&innermost == &app ? "" : " after " + innermost.get_name()) + ": " + list;
    }
    return error.what();
}

} // namespace velmora::cli
