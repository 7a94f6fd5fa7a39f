// SPDX-License-Identifier: GPL-3.0-or-later

// Runs every imaging benchmark, then prints the table of ratios that
// docs/performance.md shows.
//   imaging_bench [--small] [google benchmark flags]
// --small runs on small pictures only, to check that the benchmarks work.

#include "bench/Benchmarks.h"
#include "bench/RatioReporter.h"

#include <cstring>
#include <iostream>

int main(int argc, char** argv)
{
    using namespace velmora::bench;

    bool small = false;
    std::vector<char*> arguments;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--small") == 0)
            small = true;
        else
            arguments.push_back(argv[i]);
    }
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data()))
        return 1;

    // Full size: a 24-megapixel picture. The reference orders are far too
    // slow for it, so each is measured beside the fast routine and the copy
    // on a smaller picture.
    const int fullWidth = small ? 120 : 6000, fullHeight = small ? 80 : 4000;
    const int referenceWidth = small ? 60 : 750, referenceHeight = small ? 40 : 500;

    RegisterPlainCopy(fullWidth, fullHeight);
    for (int parallax : {10, 60})
        RegisterShiftedView(fullWidth, fullHeight, parallax, false);
    for (int radius : {3, 25})
        RegisterDepthSmoothing(fullWidth, fullHeight, radius, false);
    RegisterCompositions(fullWidth, fullHeight);
    RegisterSegmentation(fullWidth, fullHeight, false);

    RegisterPlainCopy(referenceWidth, referenceHeight);
    for (int parallax : {10, 60})
        RegisterShiftedView(referenceWidth, referenceHeight, parallax, true);
    for (int radius : {3, 25})
        RegisterDepthSmoothing(referenceWidth, referenceHeight, radius, true);
    RegisterSegmentation(referenceWidth, referenceHeight, true);

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::cout << '\n';
    reporter.WriteRatioTable(std::cout);
    benchmark::Shutdown();
    return 0;
}
