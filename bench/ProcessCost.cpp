// SPDX-License-Identifier: GPL-3.0-or-later

#include "bench/ProcessCost.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iomanip>
#include <sstream>

extern char** environ;

namespace velmora::bench {

ProcessCost RunProcess(const std::vector<std::string>& arguments, const std::string& outputPath)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const char* output = outputPath.empty() ? "/dev/null" : outputPath.c_str();
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    ProcessCost cost;
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return cost;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child)
        return cost;
    cost.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto seconds = [](const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6; };
    cost.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    cost.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    cost.succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return cost;
}

bool OnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (!folder.empty() && access((folder + "/" + name).c_str(), X_OK) == 0)
            return true;
    return false;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

ProcessCost RunCli(const std::vector<std::string>& arguments)
{
    std::vector<std::string> command = {VELMORA_CLI, "-q"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return RunProcess(command);
}

ProcessCost RunProcessAgain(const std::vector<std::string>& arguments, const std::string& outputPath)
{
    RunProcess(arguments, outputPath);
    return RunProcess(arguments, outputPath);
}

ProcessCost RunCliAgain(const std::vector<std::string>& arguments)
{
    RunCli(arguments);
    return RunCli(arguments);
}

std::string Ratio(double value, int decimals)
{
    std::ostringstream text;
    text << std::fixed << std::setprecision(decimals) << value;
    return text.str();
}

std::string Verdict(double value, double limit, bool atMost)
{
    return (atMost ? value <= limit : value >= limit) ? "yes" : "**no**";
}

} // namespace velmora::bench
