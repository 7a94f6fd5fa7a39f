// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <benchmark/benchmark.h>

#include <ostream>
#include <string>
#include <vector>

namespace velmora::bench {

// Prints the usual console report and keeps every time, so that a table of
// ratios can follow: each operation against the plain copy of the same size,
// and each reference-order run against the fast routine of the same size.
// Benchmarks are named "<operation>|<size>"; a reference is named
// "<operation> (reference)|<size>".
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    void WriteRatioTable(std::ostream& out) const;

private:
    struct Timing {
        std::string operation;
        std::string size;
        double milliseconds;
    };
    const Timing* Find(const std::string& operation, const std::string& size) const;

    std::vector<Timing> timings_;
};

} // namespace velmora::bench
