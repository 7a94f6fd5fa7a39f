// velmora-cli: the processing of Velmora from the command line, for batch work.

#include "cli/CommandOptions.h"
#include "cli/ConsoleSink.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    using namespace velmora::cli;

    CLI::App app("Velmora: stereo images from a picture and its greyscale depth map.\n"
                 "Exit status: 0 when every step succeeded, 1 when a step reported a failure, 2 for a usage "
                 "error.",
                 "velmora-cli");
    app.require_subcommand(1);
    bool quiet = false;
    app.add_flag("-q,--quiet", quiet, "No progress bar (messages are still printed)");
    CommandTable commands;
    AddStepCommands(app, commands);
    AddOutputCommands(app, commands);
    AddSegmentationCommands(app, commands);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return status == 0 ? kSucceeded : kUsageError;
    }

    ConsoleSink sink(std::cerr, !quiet && isatty(STDERR_FILENO));
    int status = kFailed;
    try {
        const CLI::App* command = app.get_subcommands().front();
        status = commands.at(command)(sink);
    } catch (const UsageError& error) {
        std::cerr << "velmora-cli: " << error.what() << "\nRun with --help for more information.\n";
        status = kUsageError;
    } catch (const std::exception& error) {
        std::cerr << "velmora-cli: " << error.what() << '\n';
        status = kFailed;
    }
    return status;
}
