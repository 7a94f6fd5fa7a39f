// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <functional>
#include <string>

namespace velmora::bench {

// Input files of one size, made once per run from the bundled sample scaled
// up or down, and written as BMP so that the file format costs little.
struct BenchInputs {
    std::string image;
    std::string depth;
    std::string Output(const std::string& name) const; // a path beside the inputs
};

const BenchInputs& InputsOfSize(int width, int height);

// "6000x4000"
std::string SizeName(int width, int height);

// Registers a benchmark named "<operation>|<size>" (see RatioReporter).
// `prepare`, when given, runs once before the timed calls of `body`.
template <typename Body>
void Register(const std::string& operation, int width, int height, Body body, bool slow = false,
              std::function<void(const BenchInputs&)> prepare = {});

} // namespace velmora::bench

#include <benchmark/benchmark.h>

namespace velmora::bench {

template <typename Body>
void Register(const std::string& operation, int width, int height, Body body, bool slow,
              std::function<void(const BenchInputs&)> prepare)
{
    auto* registered = benchmark::RegisterBenchmark((operation + "|" + SizeName(width, height)).c_str(),
                                                    [=](benchmark::State& state) {
                                                        const BenchInputs& inputs = InputsOfSize(width, height);
                                                        if (prepare)
                                                            prepare(inputs);
                                                        for (auto _ : state)
                                                            body(inputs);
                                                    });
    registered->Unit(benchmark::kMillisecond)->UseRealTime();
    if (slow)
        registered->Iterations(1);
}

} // namespace velmora::bench
