// SPDX-License-Identifier: GPL-3.0-or-later

// JPEG writing in memory: our encoder on one thread and on two against the
// image library's, which files went through before, and the files' sizes.

#include "bench/BenchInputs.h"
#include "bench/MemoryOutput.h"
#include "bench/ProcessCost.h"
#include "bench/WholeCommands.h"

#include "imaging/formats/ImageFile.h"
#include "imaging/formats/JpegWriter.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <iomanip>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmora::bench {

void MeasureJpeg(const BenchScale& scale, std::ostream& out)
{
    constexpr int kQuality = 90;
    const BenchInputs& inputs = InputsOfSize(scale.Width(24), scale.Height(24));
    const Bitmap image = ReadRgbImageFile(inputs.image, RunOptions{}).bitmap;

    struct Encoder {
        std::string name;
        std::function<bool(FreeImageIO&, std::vector<std::uint8_t>&)> encode;
        std::vector<double> seconds = {};
        std::vector<std::uint8_t> file = {};
    };
    std::vector<Encoder> encoders = {
        {"image library, 1 thread",
         [&](FreeImageIO& io, std::vector<std::uint8_t>& file) {
             return FreeImage_SaveToHandle(FIF_JPEG, image.get(), &io, &file,
                                           kQuality | JPEG_OPTIMIZE | JPEG_SUBSAMPLING_444) != 0;
         }},
        {"ours, 1 thread",
         [&](FreeImageIO& io, std::vector<std::uint8_t>& file) {
             return WriteJpeg(image.get(), kQuality, io, &file, 1);
         }},
        {"ours, 2 threads",
         [&](FreeImageIO& io, std::vector<std::uint8_t>& file) {
             return WriteJpeg(image.get(), kQuality, io, &file, 2);
         }},
    };

    // Interleaved, every counted run after an uncounted one, as for the
    // threads' table.
    FreeImageIO io = AppendingIO();
    const int runs = std::max(scale.runs, 7);
    for (int run = 0; run < runs; ++run)
        for (Encoder& encoder : encoders)
            for (bool counted : {false, true}) {
                encoder.file.clear();
                const auto start = std::chrono::steady_clock::now();
                if (!encoder.encode(io, encoder.file))
                    throw std::runtime_error(encoder.name + " could not encode the picture");
                if (counted)
                    encoder.seconds.push_back(
                        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            }

    const Encoder& library = encoders[0];
    const Encoder& one = encoders[1];
    const Encoder& two = encoders[2];
    const auto fastest = [](const Encoder& e) { return *std::min_element(e.seconds.begin(), e.seconds.end()); };
    out << "JPEG of " << SizeName(Width(image.get()), Height(image.get())) << " at quality " << kQuality
        << ", 4:4:4, optimised tables, in memory: wall-clock time, medians and fastest of " << runs << " runs:\n\n"
        << "| encoder | median (ms) | fastest (ms) | time / library's, medians | file (bytes) | size / library's |\n"
        << "|---|---:|---:|---:|---:|---:|\n";
    for (const Encoder& encoder : encoders)
        out << "| " << encoder.name << " | " << std::fixed << std::setprecision(0) << Median(encoder.seconds) * 1000
            << " | " << fastest(encoder) * 1000 << " | " << std::setprecision(2)
            << Median(encoder.seconds) / Median(library.seconds) << " | " << encoder.file.size() << " | "
            << std::setprecision(4) << static_cast<double>(encoder.file.size()) / library.file.size() << " |\n";
    const double speedUp = Median(one.seconds) / Median(two.seconds);
    out << "\nTwo threads against one: " << std::setprecision(2) << speedUp << " times faster (medians; fastest runs "
        << fastest(one) / fastest(two) << "; target at least 1.6: " << (speedUp >= 1.6 ? "met" : "**not met**")
        << "). The file is the same bytes on any number of threads.\n\n";
}

} // namespace velmora::bench
