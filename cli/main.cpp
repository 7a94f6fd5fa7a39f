// SPDX-License-Identifier: GPL-3.0-or-later

// velmora-cli: the processing of Velmora from the command line, for batch work.

#include "cli/CommandOptions.h"
#include "cli/ConsoleSink.h"
#include "cli/Interruption.h"
#include "cli/Suggestions.h"
#include "imaging/RunOptions.h"
#include "resources/Version.h"

#include <iostream>
#include <sstream>
#include <unistd.h>

int main(int argc, char** argv)
{
    using namespace velmora::cli;
    TidyUpWhenInterrupted();

    CLI::App app("Velmora: stereo images from a picture and its greyscale depth map, from a stereo pair, or from one "
                 "photograph.\n"
                 "Exit status: 0 when every step succeeded, 1 when a step reported a failure, 2 for a usage "
                 "error.",
                 "velmora-cli");
    app.require_subcommand(1);
    // The program's own options work before or after the command's name.
    app.fallthrough();
    app.set_version_flag("-V,--version", std::string("velmora-cli ") + velmora::kProductVersion,
                         "Print the version and end");
    bool quiet = false;
    app.add_flag("-q,--quiet", quiet, "No progress bar (messages are still printed)");
    velmora::RunOptions runOptions;
    constexpr std::uint64_t kMegabyte = 1024 * 1024;
    std::uint64_t pictureLimit = runOptions.pictureLimit / kMegabyte;
    app.add_option("--picture-limit", pictureLimit,
                   "Refuse pictures whose pixels would take more than MB megabytes of memory, from their header, "
                   "before reading them (default: an eighth of the physical memory, " +
                       std::to_string(pictureLimit) + " here)")
        ->type_name("MB")
        ->check(CLI::Range(std::uint64_t{1}, std::uint64_t{1} << 40));
    app.add_option("--threads", runOptions.threads,
                   "Threads that share the work of every step (default: the processor's cores, " +
                       std::to_string(runOptions.threads) + " here); results are the same whatever the number")
        ->type_name("N")
        ->check(CLI::Range(1, 1024));
    CommandTable commands;
    AddStepCommands(app, commands, runOptions);
    AddOutputCommands(app, commands, runOptions);
    AddBatchCommand(app, commands, runOptions);
    AddSegmentationCommands(app, commands, runOptions);
    AddPairCommands(app, commands, runOptions);

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& done) {
        return app.exit(done); // --help or --version
    } catch (const CLI::ParseError& error) {
        std::cerr << "velmora-cli: " << ExplainParseError(error, app) << "\n"
                  << "Run 'velmora-cli --help' or 'velmora-cli COMMAND --help' for more information.\n";
        return kUsageError;
    }

    runOptions.pictureLimit = pictureLimit * kMegabyte;
    ConsoleSink sink(std::cerr, !quiet && isatty(STDERR_FILENO));
    int status = kFailed;
    try {
        const CLI::App* command = app.get_subcommands().front();
        status = commands.at(command)(sink, runOptions);
    } catch (const UsageError& error) {
        std::istringstream lines(error.what());
        for (std::string line; std::getline(lines, line);)
            std::cerr << "velmora-cli: " << line << "\n";
        std::cerr << "Run 'velmora-cli --help' or 'velmora-cli COMMAND --help' for more information.\n";
        status = kUsageError;
    } catch (const std::exception& error) {
        std::cerr << "velmora-cli: " << error.what() << '\n';
        status = kFailed;
    }
    WaitIfInterrupted();
    return status;
}
