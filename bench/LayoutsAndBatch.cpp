// SPDX-License-Identifier: GPL-3.0-or-later

// What the command line's layouts cost beside the anaglyph, and what batch
// gains over single runs one after another.

#include "bench/BenchInputs.h"
#include "bench/ProcessCost.h"
#include "bench/WholeCommands.h"

#include <filesystem>
#include <string>
#include <vector>

namespace velmora::bench {
namespace {

namespace fs = std::filesystem;

struct Layout {
    std::string name;
    std::vector<std::string> outputArguments; // the options that name its outputs
    std::vector<std::string> options;
};

} // namespace

void MeasureLayouts(const BenchScale& scale, std::ostream& out)
{
    const BenchInputs& inputs = InputsOfSize(scale.Width(24), scale.Height(24));
    const std::string bmp = inputs.Output("layout.bmp");
    const std::vector<Layout> layouts = {
        {"anaglyph", {"anaglyph", "-o", bmp}, {}},
        {"sbs --half", {"sbs", "-o", bmp}, {"--half"}},
        {"sbs", {"sbs", "-o", bmp}, {}},
        {"sbs --layout top-bottom", {"sbs", "-o", bmp}, {"--layout", "top-bottom"}},
        {"pair", {"pair", "--left", bmp, "--right", inputs.Output("right.bmp")}, {}},
        {"views --count 2", {"views", "--count", "2", "-o", inputs.Output("view-%d.bmp")}, {}},
        {"anaglyph --mode dubois", {"anaglyph", "-o", bmp}, {"--mode", "dubois"}},
    };
    std::vector<Measured> measured(layouts.size());
    Measured floor;
    for (int run = 0; run < scale.runs; ++run) {
        for (std::size_t i = 0; i < layouts.size(); ++i) {
            std::vector<std::string> arguments = layouts[i].outputArguments;
            arguments.insert(arguments.end(), {"--image", inputs.image, "--depth", inputs.depth, "--parallax", "20"});
            arguments.insert(arguments.end(), layouts[i].options.begin(), layouts[i].options.end());
            measured[i].Add(RunCliAgain(arguments));
        }
        floor.Add(RunProcessAgain({VELMORA_FLOOR, bmp, inputs.image}));
    }
    // The floor reads one picture and writes one: two passes over the pixels.
    const double pass = floor.Cpu() / 2;
    const double anaglyph = measured.front().Cpu();
    out << "Layouts, whole process as BMP, " << SizeName(scale.Width(24), scale.Height(24))
        << ", CPU time beside the anaglyph's, each counted run after an uncounted one of the same command; a pass is "
           "half the floor's time, which reads one picture and writes one (target: at most one more pass):\n\n"
        << "| command | time / anaglyph | more passes | met |\n|---|---:|---:|---|\n";
    for (std::size_t i = 1; i < layouts.size(); ++i) {
        const double morePasses = (measured[i].Cpu() - anaglyph) / pass;
        out << "| " << layouts[i].name << (measured[i].failed ? " (**failed**)" : "") << " | "
            << Ratio(measured[i].Cpu() / anaglyph) << " | " << Ratio(morePasses, 1) << " | "
            << Verdict(morePasses, 1.0) << " |\n";
    }
    out << '\n';
}

void MeasureBatch(const BenchScale& scale, std::ostream& out)
{
    constexpr int kPictures = 20;
    const BenchInputs& inputs = InputsOfSize(scale.Width(6), scale.Height(6));
    const fs::path folder = fs::path(inputs.Output("batch"));
    fs::create_directories(folder / "pictures");
    fs::create_directories(folder / "depths");
    for (int i = 0; i < kPictures; ++i) {
        const std::string name = "picture" + std::to_string(i) + ".bmp";
        std::error_code ignored;
        fs::create_symlink(inputs.image, folder / "pictures" / name, ignored);
        fs::create_symlink(inputs.depth, folder / "depths" / name, ignored);
    }
    const std::vector<std::string> options = {"--parallax", "20"};
    Measured singles, batch;
    for (int run = 0; run < scale.runs; ++run) {
        ProcessCost all;
        all.succeeded = true;
        for (int i = 0; i < kPictures; ++i) {
            const std::string name = "picture" + std::to_string(i);
            std::vector<std::string> arguments = {"anaglyph", "--image", (folder / "pictures" / (name + ".bmp")),
                                                  "--depth", (folder / "depths" / (name + ".bmp")),
                                                  "-o", (folder / "single.png")};
            arguments.insert(arguments.end(), options.begin(), options.end());
            const ProcessCost one = RunCli(arguments);
            all.succeeded = all.succeeded && one.succeeded;
            all.cpuSeconds += one.cpuSeconds;
            all.wallSeconds += one.wallSeconds;
        }
        singles.Add(all);
        std::vector<std::string> arguments = {"batch", "anaglyph", "--images", folder / "pictures", "--depths",
                                              folder / "depths", "--out", folder / "out", "--jobs", "2",
                                              "--overwrite"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        batch.Add(RunCli(arguments));
    }
    const double ratio = batch.Wall() / singles.Wall();
    out << "Batch: " << kPictures << " anaglyphs of " << SizeName(scale.Width(6), scale.Height(6))
        << " as PNG, wall-clock time of `batch --jobs 2` against the " << kPictures
        << " single runs one after another (target: at most 0.6):\n\n"
        << "| single runs (s) | batch (s) | batch / single runs | met |\n|---:|---:|---:|---|\n"
        << "| " << Ratio(singles.Wall()) << " | " << Ratio(batch.Wall()) << (batch.failed ? " (**failed**)" : "")
        << " | " << Ratio(ratio) << " | " << Verdict(ratio, 0.6) << " |\n\n";
}

} // namespace velmora::bench
