// SPDX-License-Identifier: GPL-3.0-or-later

// Measures the targets of whole commands as ratios taken in one run, and
// prints them as the tables that docs/performance.md shows.
//   process_bench [--small] [--runs N] [--only commands|cat|layouts|batch|threads|jpeg]

#include "bench/WholeCommands.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>

int main(int argc, char** argv)
{
    velmora::bench::BenchScale scale;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--small") == 0) {
            scale.small = true;
            scale.runs = 1;
        } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            scale.runs = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            only = argv[++i];
        } else {
            std::cerr << "usage: process_bench [--small] [--runs N] [--only commands|cat|layouts|batch|threads|jpeg]\n";
            return 2;
        }
    }
    const struct {
        const char* name;
        void (*measure)(const velmora::bench::BenchScale&, std::ostream&);
    } parts[] = {{"commands", velmora::bench::MeasureWholeCommands},
                 {"cat", velmora::bench::MeasureAgainstCat},
                 {"layouts", velmora::bench::MeasureLayouts},
                 {"batch", velmora::bench::MeasureBatch},
                 {"threads", velmora::bench::MeasureThreads},
                 {"jpeg", velmora::bench::MeasureJpeg}};
    if (!only.empty() && std::none_of(std::begin(parts), std::end(parts),
                                      [&](const auto& part) { return only == part.name; })) {
        std::cerr << "no part named " << only << "\n";
        return 2;
    }
    std::cout << "Processor cores: " << std::thread::hardware_concurrency() << "; medians of " << scale.runs
              << " interleaved runs.\n\n";
    if (scale.small)
        std::cout << "Small pictures: this run checks that the benchmarks work; its numbers mean nothing.\n\n";
    for (const auto& part : parts)
        if (only.empty() || only == part.name)
            part.measure(scale, std::cout);
    return 0;
}
