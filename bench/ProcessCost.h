// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>
#include <vector>

namespace velmora::bench {

// What running a program to its end cost.
struct ProcessCost {
    bool succeeded = false;
    double cpuSeconds = 0;     // user and system time, all threads
    double wallSeconds = 0;
    double peakMegabytes = 0;  // the largest resident set
};

// Runs arguments[0] (a path, or a name looked up in PATH) with its output
// discarded, and waits for it.
ProcessCost RunProcess(const std::vector<std::string>& arguments);

// Whether a program of this name is on the PATH.
bool OnPath(const std::string& name);

// The median of some numbers (the upper one of an even count).
double Median(std::vector<double> values);

} // namespace velmora::bench
