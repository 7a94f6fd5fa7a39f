// SPDX-License-Identifier: GPL-3.0-or-later

// The compute part of each routine, in memory, with one worker thread and
// with two: what the threads gain where no file is read or written.

#include "bench/BenchInputs.h"
#include "bench/MemoryOutput.h"
#include "bench/ProcessCost.h"
#include "bench/WholeCommands.h"

#include "imaging/formats/ImageFile.h"
#include "imaging/formats/PngWriter.h"
#include "imaging/stereo/Anaglyph.h"
#include "imaging/stereo/DepthSmoothing.h"
#include "imaging/stereo/ShiftedView.h"
#include "imaging/stereo/StereoSettings.h"
#include "imaging/stereo/ViewMaster.h"
#include "imaging/threads/RowWorkers.h"
#include "segmentation/OutlineImage.h"
#include "segmentation/SegmentSmoothing.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <iomanip>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmora::bench {

namespace {

// Encodes the picture as PNG into `out`, which keeps its memory.
void EncodePng(FIBITMAP* picture, int threads, std::vector<std::uint8_t>& out)
{
    FreeImageIO io = AppendingIO();
    out.clear();
    if (!WritePng(picture, io, &out, threads))
        throw std::runtime_error("the picture could not be encoded as PNG");
}

} // namespace

void MeasureThreads(const BenchScale& scale, std::ostream& out)
{
    const BenchInputs& inputs = InputsOfSize(scale.Width(24), scale.Height(24));
    const Bitmap image = ReadRgbImageFile(inputs.image, RunOptions{}).bitmap;
    const Bitmap depth = ReadRgbImageFile(inputs.depth, RunOptions{}).bitmap;
    StereoSettings settings;
    settings.geometry = {20, 20};
    settings.pixelsPerMetre = 2835;
    SilentSink sink;
    RunOptions options;
    const Bitmap view =
        ShiftViewBitmap(image.get(), depth.get(), settings.geometry, settings.pixelsPerMetre, options, sink);
    const Bitmap outline = MakeOutlineImages(image.get(), 50, options, sink).outline;

    // The encoded file is kept in memory, in a buffer used again and again,
    // so that only the encoding is timed.
    std::vector<std::uint8_t> encodedPng;

    struct Routine {
        std::string name;
        std::function<void()> run;
    };
    const std::vector<Routine> routines = {
        {"view P=20",
         [&] { ShiftViewBitmap(image.get(), depth.get(), settings.geometry, settings.pixelsPerMetre, options, sink); }},
        {"smoothing r=3", [&] { SmoothDepthBitmap(depth.get(), 3, options, sink); }},
        {"anaglyph composition", [&] { ComposeAnaglyph(view.get(), image.get(), settings, options, sink); }},
        {"LC shutter composition", [&] { ComposeViewMaster(image.get(), view.get(), settings, options, sink); }},
        {"outline", [&] { MakeOutlineImages(image.get(), 50, options, sink); }},
        {"segment smoothing, 5 passes", [&] { SmoothBySegmentsBitmap(outline.get(), depth.get(), 5, options, sink); }},
        {"PNG encoding", [&] { EncodePng(image.get(), options.threads, encodedPng); }},
    };

    std::vector<std::vector<double>> seconds(routines.size() * 2);
    // Memory the system hands out for the first time, or again after it
    // went back to a virtual machine's host, costs more than all the
    // computing; so every counted run follows an uncounted one, whose memory
    // it gets again. In-memory runs are short, so take more of them.
    const int runs = std::max(scale.runs, 7);
    for (int run = 0; run < runs; ++run)
        for (std::size_t r = 0; r < routines.size(); ++r)
            for (int threads : {1, 2}) {
                options.threads = threads;
                routines[r].run();
                const auto start = std::chrono::steady_clock::now();
                routines[r].run();
                seconds[2 * r + threads - 1].push_back(
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            }

    // On a virtual machine the cores' speed varies over seconds with the
    // host's other work, which only ever adds time: the fastest runs show
    // what the code gains, the medians what a run met.
    out << "In memory, wall-clock time with one worker thread and with two, medians and fastest of " << runs
        << " runs (target: two at least 1.7 times faster):\n\n"
        << "| routine | 1 thread (ms) | 2 threads (ms) | speed-up, medians | speed-up, fastest runs | met |\n"
        << "|---|---:|---:|---:|---:|---|\n"
        << std::fixed;
    for (std::size_t r = 0; r < routines.size(); ++r) {
        const std::vector<double>& one = seconds[2 * r];
        const std::vector<double>& two = seconds[2 * r + 1];
        const double fastest = *std::min_element(one.begin(), one.end()) / *std::min_element(two.begin(), two.end());
        out << "| " << routines[r].name << " | " << std::setprecision(0) << Median(one) * 1000 << " | "
            << Median(two) * 1000 << " | " << std::setprecision(2) << Median(one) / Median(two) << " | " << fastest
            << " | " << (fastest >= 1.7 ? "yes" : "**no**") << " |\n";
    }
    out << '\n';
}

} // namespace velmora::bench
