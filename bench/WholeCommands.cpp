// SPDX-License-Identifier: GPL-3.0-or-later

#include "bench/WholeCommands.h"

#include "bench/BenchInputs.h"
#include "bench/ProcessCost.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace velmora::bench {
namespace {

// Placeholders in the arguments below.
const std::string kImage = "{image}", kDepth = "{depth}", kView = "{view}", kOutline = "{outline}",
                  kOut = "{out}";

struct Command {
    std::string name;
    std::vector<std::string> arguments;   // after velmora-cli
    std::vector<std::string> floorInputs; // the files the floor reads
    double target;                        // whole process / floor as BMP; 0: none
    std::vector<std::string> magick;      // the nearest ImageMagick command; empty: none
};

std::vector<Command> Commands()
{
    const std::vector<std::string> imageAndDepth = {kImage, kDepth};
    return {
        {"anaglyph",
         {"anaglyph", "--image", kImage, "--depth", kDepth, "--parallax", "20", "-o", kOut},
         imageAndDepth,
         1.5,
         {"convert", kImage, "(", kImage, kDepth, "-compose", "displace", "-define", "compose:args=20x0", "-composite",
          ")", "-compose", "stereo", "-composite", kOut}},
        {"lcshutter",
         {"lcshutter", "--image", kImage, "--depth", kDepth, "--parallax", "20", "-o", kOut},
         imageAndDepth,
         1.5,
         // In one command the row interleaving of a displaced picture is
         // many times slower, so in two, as a user would.
         {"sh", "-c",
          "convert {image} {depth} -compose displace -define compose:args=20x0 -composite {out}.view.bmp && "
          "convert {image} {out}.view.bmp \\( -size {size} pattern:horizontal2 \\) -composite {out}"}},
        {"view P=10",
         {"view", "--image", kImage, "--depth", kDepth, "--parallax", "10", "-o", kOut},
         imageAndDepth,
         1.5,
         {"composite", "-displace", "10x0", kDepth, kImage, kOut}},
        {"view P=60",
         {"view", "--image", kImage, "--depth", kDepth, "--parallax", "60", "-o", kOut},
         imageAndDepth,
         1.5,
         {"composite", "-displace", "60x0", kDepth, kImage, kOut}},
        {"outline",
         {"outline", "--image", kImage, "-o", kOut},
         {kImage},
         2.5,
         {"convert", kImage, "-colorspace", "Gray", "-morphology", "Convolve", "Laplacian:0", "-threshold", "20%",
          kOut}},
        {"segsmooth (5 passes)",
         {"segsmooth", "--outline", kOutline, "--depth", kDepth, "--passes", "5", "-o", kOut},
         {kOutline, kDepth},
         3.0,
         {"convert", kDepth, "-statistic", "Mean", "3x3", "-statistic", "Mean", "3x3", "-statistic", "Mean", "3x3",
          "-statistic", "Mean", "3x3", "-statistic", "Mean", "3x3", kOut}},
        {"compose-anaglyph",
         {"compose-anaglyph", "--view", kView, "--image", kImage, "-o", kOut},
         {kView, kImage},
         0,
         {"composite", "-stereo", "+0+0", kView, kImage, kOut}},
        {"compose-lcshutter",
         {"compose-lcshutter", "--left", kImage, "--right", kView, "-o", kOut},
         {kImage, kView},
         0,
         {"convert", kImage, kView, "(", "-size", "{size}", "pattern:horizontal2", ")", "-composite", kOut}},
        {"smooth", {"smooth", "--depth", kDepth, "--radius", "3", "-o", kOut}, {kDepth}, 0,
         {"convert", kDepth, "-statistic", "Mean", "7x7", kOut}},
    };
}

// The files a command works on, for one picture size.
struct Files {
    std::map<std::string, std::string> paths;
    std::string size; // "6000x4000"

    std::vector<std::string> Fill(const std::vector<std::string>& arguments, const std::string& out) const
    {
        std::map<std::string, std::string> values = paths;
        values[kOut] = out;
        values["{size}"] = size;
        std::vector<std::string> filled;
        for (std::string argument : arguments) {
            for (const auto& [placeholder, value] : values)
                for (std::size_t at = argument.find(placeholder); at != std::string::npos;
                     at = argument.find(placeholder, at + value.size()))
                    argument.replace(at, placeholder.size(), value);
            filled.push_back(argument);
        }
        return filled;
    }
};

Files FilesOfSize(int width, int height)
{
    const BenchInputs& inputs = InputsOfSize(width, height);
    Files files{{{kImage, inputs.image}, {kDepth, inputs.depth}}, SizeName(width, height)};
    files.paths[kView] = inputs.Output("view-" + files.size + ".bmp");
    files.paths[kOutline] = inputs.Output("outline-" + files.size + ".bmp");
    const bool made = RunCli(files.Fill({"view", "--image", kImage, "--depth", kDepth, "--parallax", "20", "-o", kView},
                                        ""))
                          .succeeded &&
                      RunCli(files.Fill({"outline", "--image", kImage, "-o", kOutline}, "")).succeeded;
    if (!made)
        std::fprintf(stderr, "velmora-cli could not make the view and outline inputs\n");
    return files;
}

struct FormatRuns {
    std::map<std::string, Measured> command, floor, magick;
};

FormatRuns MeasureFormat(const std::vector<Command>& commands, const Files& files, const std::string& extension,
                         const BenchScale& scale, bool withMagick, const BenchInputs& inputs)
{
    FormatRuns runs;
    const std::string out = inputs.Output("out." + extension);
    for (int run = 0; run < scale.runs; ++run)
        for (const Command& command : commands) {
            runs.command[command.name].Add(RunCliAgain(files.Fill(command.arguments, out)));
            std::vector<std::string> floor = {VELMORA_FLOOR, out};
            for (const std::string& input : files.Fill(command.floorInputs, out))
                floor.push_back(input);
            runs.floor[command.name].Add(RunProcessAgain(floor));
            if (withMagick)
                runs.magick[command.name].Add(RunProcessAgain(files.Fill(command.magick, out)));
        }
    return runs;
}

void WriteCommandTable(const std::vector<Command>& commands, const FormatRuns& bmp, const FormatRuns& png,
                       bool withMagick, std::ostream& out)
{
    out << "| command | BMP: time / floor | target | met | PNG: time / floor | PNG: time / ImageMagick |\n"
        << "|---|---:|---:|---|---:|---:|\n";
    for (const Command& command : commands) {
        const double bmpRatio = bmp.command.at(command.name).Cpu() / bmp.floor.at(command.name).Cpu();
        const double pngRatio = png.command.at(command.name).Cpu() / png.floor.at(command.name).Cpu();
        const bool failed = bmp.command.at(command.name).failed || png.command.at(command.name).failed;
        out << "| " << command.name << (failed ? " (**failed**)" : "") << " | " << Ratio(bmpRatio) << " | "
            << (command.target > 0 ? "<= " + Ratio(command.target, 1) : "") << " | "
            << (command.target > 0 ? Verdict(bmpRatio, command.target) : "") << " | " << Ratio(pngRatio) << " | "
            << (withMagick ? Ratio(png.command.at(command.name).Cpu() / png.magick.at(command.name).Cpu())
                           : std::string("not installed"))
            << " |\n";
    }
    out << '\n';
}

// View P=60 against P=10: the two differ by a few per cent, less than one
// run of a whole process varies, so they get more runs of their own.
double ParallaxRatio(const std::vector<Command>& commands, const Files& files, const BenchScale& scale,
                     const BenchInputs& inputs)
{
    const auto named = [&](const std::string& name) {
        return *std::find_if(commands.begin(), commands.end(), [&](const Command& c) { return c.name == name; });
    };
    const Command wide = named("view P=60"), narrow = named("view P=10");
    const std::string out = inputs.Output("parallax.bmp");
    Measured wideRuns, narrowRuns;
    for (int run = 0; run < std::max(scale.runs, 9); ++run) {
        wideRuns.Add(RunCliAgain(files.Fill(wide.arguments, out)));
        narrowRuns.Add(RunCliAgain(files.Fill(narrow.arguments, out)));
    }
    return wideRuns.Cpu() / narrowRuns.Cpu();
}

void MeasureLinearity(const Command& anaglyph, const BenchScale& scale, std::ostream& out)
{
    const int sizes[] = {1, 6, 24, 48};
    std::map<int, Measured> measured;
    std::map<int, double> pixels;
    std::map<int, Files> files;
    for (int megapixels : sizes) {
        files[megapixels] = FilesOfSize(scale.Width(megapixels), scale.Height(megapixels));
        pixels[megapixels] = static_cast<double>(scale.Width(megapixels)) * scale.Height(megapixels);
    }
    // What a run costs whatever the picture (starting the process, loading
    // the libraries) is measured on a picture of a few pixels and taken off.
    const Files tiny = FilesOfSize(16, 12);
    Measured startUp;
    // A run of a small picture varies by as much as it costs per pixel, so
    // every size gets nine runs at least, and the 1 MP picture, whose cost
    // over the start-up is a few dozen milliseconds, and the start-up itself
    // get 25: they are cheap. Each counted run follows an uncounted one of
    // the same size: on a virtual machine, memory that the host has to
    // supply afresh costs more than the work, and the more so the more a run
    // needs beyond what the runs before it gave back.
    const std::string output = InputsOfSize(scale.Width(24), scale.Height(24)).Output("linear.bmp");
    const auto measure = [&](const Files& files, Measured& into) {
        into.Add(RunCliAgain(files.Fill(anaglyph.arguments, output)));
    };
    const int runs = std::max(scale.runs, 9), smallRuns = std::max(scale.runs, 25);
    for (int run = 0; run < smallRuns; ++run) {
        for (int megapixels : sizes)
            if (run < runs || megapixels == 1)
                measure(files[megapixels], measured[megapixels]);
        measure(tiny, startUp);
    }

    const auto perPixel = [&](int megapixels) {
        return (measured[megapixels].Cpu() - startUp.Cpu()) / pixels[megapixels];
    };
    const double reference = perPixel(24);
    out << "Anaglyph as BMP, CPU time per pixel against 24 MP, after the " << Ratio(startUp.Cpu() * 1000, 0)
        << " ms that a run of a 16x12 picture costs; each counted run follows an uncounted one of its size "
           "(target: within 15%):\n\n"
        << "| picture | per pixel / 24 MP | met |\n|---|---:|---|\n";
    for (int megapixels : sizes) {
        const double ratio = perPixel(megapixels) / reference;
        out << "| " << files[megapixels].size << " | " << Ratio(ratio) << " | "
            << Verdict(std::fabs(ratio - 1.0), 0.15) << " |\n";
    }
    out << '\n';
}

} // namespace

int BenchScale::Width(int megapixels) const
{
    const double pixels = megapixels * (small ? 400.0 : 1e6);
    return static_cast<int>(std::lround(std::sqrt(pixels * 1.5)));
}

int BenchScale::Height(int megapixels) const
{
    return static_cast<int>(std::lround(Width(megapixels) / 1.5));
}

void MeasureWholeCommands(const BenchScale& scale, std::ostream& out)
{
    const int width = scale.Width(24), height = scale.Height(24);
    const BenchInputs& inputs = InputsOfSize(width, height);
    const Files files = FilesOfSize(width, height);
    const std::vector<Command> commands = Commands();
    const bool withMagick = OnPath("convert") && OnPath("composite");

    const FormatRuns bmp = MeasureFormat(commands, files, "bmp", scale, false, inputs);
    const FormatRuns png = MeasureFormat(commands, files, "png", scale, withMagick, inputs);
    out << "Whole process, CPU time (user and system), " << files.size
        << " photograph and depth map, each counted run after an uncounted one of the same command; the floor reads "
           "the same files and writes one picture of the same size and format with the image library's defaults:\n\n";
    WriteCommandTable(commands, bmp, png, withMagick, out);

    const double parallaxRatio = ParallaxRatio(commands, files, scale, inputs);
    const double pictureMegabytes = 3.0 * width * height / (1024.0 * 1024.0);
    const double peakRatio = Median(bmp.command.at("anaglyph").peak) / pictureMegabytes;
    out << "| measure | value | target | met |\n|---|---:|---:|---|\n"
        << "| view P=60 / view P=10, 9 runs each | " << Ratio(parallaxRatio) << " | <= 1.15 | " << Verdict(parallaxRatio, 1.15)
        << " |\n"
        << "| anaglyph peak memory / one picture's pixel bytes | " << Ratio(peakRatio) << " | <= 3.5 | "
        << Verdict(peakRatio, 3.5) << " |\n\n";

    MeasureLinearity(commands.front(), scale, out);
}

} // namespace velmora::bench
