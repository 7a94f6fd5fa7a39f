// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/RowWorkers.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace velmora {
namespace {

std::atomic<int>& Threads()
{
    static std::atomic<int> threads{std::max(1, static_cast<int>(std::thread::hardware_concurrency()))};
    return threads;
}

} // namespace

int WorkerThreads()
{
    return Threads().load();
}

void SetWorkerThreads(int threads)
{
    Threads().store(std::max(1, threads));
}

void ForRowBands(int rows, ProgressSink& sink, bool stepProgress, const std::function<void(const RowBand& band)>& work)
{
    if (rows <= 0)
        return;
    const auto report = [&] {
        sink.PumpOneMessage();
        if (stepProgress)
            sink.StepProgress();
    };
    const int bands = std::min(WorkerThreads(), rows);
    if (bands == 1) {
        const std::function<void()> rowDone = report;
        const RowBand band(0, rows, rowDone);
        work(band);
        band.ReportTheRest();
        return;
    }

    std::atomic<int> done{0};
    const std::function<void()> countRow = [&done] { done.fetch_add(1, std::memory_order_release); };
    std::atomic<bool> failed{false};
    std::exception_ptr failure;
    std::mutex failureMutex;
    std::vector<std::thread> threads;
    threads.reserve(bands);
    for (int b = 0; b < bands; ++b) {
        const int begin = static_cast<int>(static_cast<long long>(rows) * b / bands);
        const int end = static_cast<int>(static_cast<long long>(rows) * (b + 1) / bands);
        threads.emplace_back([&, begin, end] {
            try {
                const RowBand band(begin, end, countRow);
                work(band);
                band.ReportTheRest();
            } catch (...) {
                std::lock_guard lock(failureMutex);
                if (!failure)
                    failure = std::current_exception();
                failed = true;
            }
        });
    }
    // The bands finish rows in their own order; this thread keeps the window
    // alive meanwhile, looking often enough for the pumps to keep up.
    int reported = 0;
    while (reported < rows && !failed) {
        const int finished = done.load(std::memory_order_acquire);
        for (; reported < finished; ++reported)
            report();
        if (reported < rows)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    for (std::thread& thread : threads)
        thread.join();
    if (failure)
        std::rethrow_exception(failure);
}

void ForRowBands(int rows, const std::function<void(const RowBand& band)>& work)
{
    SilentSink nobody;
    ForRowBands(rows, nobody, false, work);
}

} // namespace velmora
