// SPDX-License-Identifier: GPL-3.0-or-later

#include "bench/RatioReporter.h"

#include <iomanip>

namespace velmora::bench {
namespace {

const std::string kReferenceSuffix = " (reference)";

bool IsReference(const std::string& operation)
{
    return operation.size() > kReferenceSuffix.size() &&
           operation.compare(operation.size() - kReferenceSuffix.size(), kReferenceSuffix.size(),
                             kReferenceSuffix) == 0;
}

} // namespace

void RatioReporter::ReportRuns(const std::vector<Run>& runs)
{
    for (const Run& run : runs) {
        if (run.error_occurred || run.run_type != Run::RT_Iteration)
            continue;
        const std::string& name = run.run_name.function_name;
        const auto bar = name.find('|');
        const double seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        timings_.push_back({name.substr(0, bar), bar == std::string::npos ? "" : name.substr(bar + 1),
                            seconds * 1000.0});
    }
    ConsoleReporter::ReportRuns(runs);
}

const RatioReporter::Timing* RatioReporter::Find(const std::string& operation, const std::string& size) const
{
    for (const Timing& timing : timings_)
        if (timing.operation == operation && timing.size == size)
            return &timing;
    return nullptr;
}

void RatioReporter::WriteRatioTable(std::ostream& out) const
{
    out << "| operation | picture | time (ms) | time / plain copy | reference / fast |\n"
        << "|---|---|---:|---:|---:|\n";
    out << std::fixed;
    for (const Timing& timing : timings_) {
        out << "| " << timing.operation << " | " << timing.size << " | " << std::setprecision(1)
            << timing.milliseconds << " | ";
        const Timing* copy = Find("plain copy", timing.size);
        if (copy && timing.operation != "plain copy")
            out << std::setprecision(2) << timing.milliseconds / copy->milliseconds;
        out << " | ";
        const Timing* reference =
            IsReference(timing.operation) ? nullptr : Find(timing.operation + kReferenceSuffix, timing.size);
        if (reference)
            out << std::setprecision(1) << reference->milliseconds / timing.milliseconds;
        out << " |\n";
    }
}

} // namespace velmora::bench
