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

// Runs arguments[0] (a path, or a name looked up in PATH) and waits for it;
// its standard output goes to outputPath (created or truncated), or nowhere
// when that is empty.
ProcessCost RunProcess(const std::vector<std::string>& arguments, const std::string& outputPath = "");

// velmora-cli with these arguments, quiet.
ProcessCost RunCli(const std::vector<std::string>& arguments);

// The same, run twice and the second run's cost given: it gets again the
// memory the first gave back. On a virtual machine, memory the host has to
// supply afresh can cost more than the work, and by how much moves from run
// to run.
ProcessCost RunProcessAgain(const std::vector<std::string>& arguments, const std::string& outputPath = "");
ProcessCost RunCliAgain(const std::vector<std::string>& arguments);

// Whether a program of this name is on the PATH.
bool OnPath(const std::string& name);

// The median of some numbers (the upper one of an even count).
double Median(std::vector<double> values);

// The costs of some runs of one command.
struct Measured {
    std::vector<double> cpu, wall, peak;
    bool failed = false;

    void Add(const ProcessCost& cost)
    {
        failed = failed || !cost.succeeded;
        cpu.push_back(cost.cpuSeconds);
        wall.push_back(cost.wallSeconds);
        peak.push_back(cost.peakMegabytes);
    }
    double Cpu() const { return Median(cpu); }
    double Wall() const { return Median(wall); }
};

// A number for the tables: "1.46".
std::string Ratio(double value, int decimals = 2);

// "yes" when value is within the limit, else a bold "no".
std::string Verdict(double value, double limit, bool atMost = true);

} // namespace velmora::bench
