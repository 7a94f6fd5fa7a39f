// SPDX-License-Identifier: GPL-3.0-or-later

// The whole commands against the least any program can do with the same
// files: cat the picture and the depth map into one output file.

#include "bench/BenchInputs.h"
#include "bench/ProcessCost.h"
#include "bench/WholeCommands.h"

#include <algorithm>
#include <string>
#include <vector>

namespace velmora::bench {

void MeasureAgainstCat(const BenchScale& scale, std::ostream& out)
{
    const int width = scale.Width(24), height = scale.Height(24);
    const BenchInputs& inputs = InputsOfSize(width, height);
    const std::string output = inputs.Output("against-cat.bmp");
    const std::vector<std::string> commands = {"anaglyph", "lcshutter"};
    std::vector<Measured> measured(commands.size());
    Measured cat;
    // Each counted run follows an uncounted one of the same command, whose
    // memory it gets again (see Threads), and the counting starts after a
    // round of them all: the first runs after the inputs were made pay the
    // host for memory the machine has not used lately, several times what
    // the work costs.
    for (int run = -1; run < scale.runs; ++run) {
        for (std::size_t i = 0; i < commands.size(); ++i) {
            const std::vector<std::string> arguments = {commands[i],  "--image", inputs.image, "--depth", inputs.depth,
                                                        "--parallax", "20",      "-o",         output};
            const ProcessCost cost = RunCliAgain(arguments);
            if (run >= 0)
                measured[i].Add(cost);
        }
        const ProcessCost cost = RunProcessAgain({"cat", inputs.image, inputs.depth}, output);
        if (run >= 0)
            cat.Add(cost);
    }
    const double pictureMegabytes = 3.0 * width * height / (1024.0 * 1024.0);
    out << "Whole process as BMP, " << SizeName(width, height) << " with radius 3, against `cat picture depth > out` ("
        << Ratio(cat.Cpu() * 1000, 0)
        << " ms of CPU), medians and fastest runs (the system's share of a run moves with the host's memory, "
           "which only ever adds time); peak memory in one picture's pixel bytes:\n\n"
        << "| command | CPU / cat | fastest / fastest | target | met | peak / picture | target | met |\n"
        << "|---|---:|---:|---:|---|---:|---:|---|\n";
    const auto fastest = [](const Measured& runs) { return *std::min_element(runs.cpu.begin(), runs.cpu.end()); };
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const double cpuRatio = measured[i].Cpu() / cat.Cpu();
        const double peakRatio = Median(measured[i].peak) / pictureMegabytes;
        out << "| " << commands[i] << (measured[i].failed ? " (**failed**)" : "") << " | " << Ratio(cpuRatio) << " | "
            << Ratio(fastest(measured[i]) / fastest(cat)) << " | <= 2.5 | " << Verdict(cpuRatio, 2.5) << " | "
            << Ratio(peakRatio) << " | <= 2.0 | " << Verdict(peakRatio, 2.0) << " |\n";
    }
    out << '\n';
}

} // namespace velmora::bench
