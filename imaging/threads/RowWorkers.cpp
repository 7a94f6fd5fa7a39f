// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/threads/RowWorkers.h"

#include "imaging/threads/IdleThreads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

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
    std::atomic<int> done{0};
    const std::function<void()> countRow = [&done] { done.fetch_add(1, std::memory_order_release); };
    std::mutex mutex; // guards what follows, to the end of the call
    std::condition_variable bandEnded;
    int running = 0;
    std::exception_ptr failure; // the first of the bands' and the reports'
    const auto keepFirst = [&failure](const std::exception_ptr& failed) {
        if (failed && !failure)
            failure = failed;
    };
    const auto runBand = [&](int begin, int end) {
        std::exception_ptr failed;
        try {
            const RowBand band(begin, end, countRow);
            work(band);
            band.ReportTheRest();
        } catch (...) {
            failed = std::current_exception();
        }
        // Notified under the lock, so the call cannot return before it is done.
        std::lock_guard lock(mutex);
        keepFirst(failed);
        --running;
        bandEnded.notify_one();
    };
    const auto bandBegin = [&](int b) { return static_cast<int>(static_cast<long long>(rows) * b / bands); };
    for (int b = 1; b < bands; ++b) {
        {
            std::lock_guard lock(mutex);
            ++running;
        }
        try {
            RunOnIdleThread([&runBand, begin = bandBegin(b), end = bandBegin(b + 1)] { runBand(begin, end); });
        } catch (...) {
            runBand(bandBegin(b), bandBegin(b + 1)); // no thread to be had: this one does the band
        }
    }

    // This thread does the first band itself, reporting every row finished
    // so far as each of its own ends: a thread of its own only to report
    // would take turns with the bands for the cores.
    int reported = 0;
    const auto reportFinished = [&] {
        for (const int finished = done.load(std::memory_order_acquire); reported < finished; ++reported)
            report();
    };
    try {
        const std::function<void()> countAndReport = [&] {
            countRow();
            reportFinished();
        };
        const RowBand band(0, bandBegin(1), countAndReport);
        work(band);
        band.ReportTheRest();
    } catch (...) {
        // The other bands still use this call's variables: wait for them.
        std::lock_guard lock(mutex);
        keepFirst(std::current_exception());
    }

    // The other bands finish rows in their own order; meanwhile this thread
    // keeps the window alive, looking often enough for the pumps to keep up,
    // and at once when a band ends.
    std::unique_lock lock(mutex);
    for (;;) {
        if (!failure) {
            // A failure here (no memory for the progress bar) waits for the
            // bands like theirs: they still use this call's variables.
            std::exception_ptr reportFailed;
            lock.unlock();
            try {
                reportFinished();
            } catch (...) {
                reportFailed = std::current_exception();
            }
            lock.lock();
            keepFirst(reportFailed);
        }
        if (running == 0)
            break;
        bandEnded.wait_for(lock, std::chrono::microseconds(200));
    }
    if (failure)
        std::rethrow_exception(failure);
    for (; reported < rows; ++reported)
        report();
}

void ForRowBands(int rows, const std::function<void(const RowBand& band)>& work)
{
    SilentSink nobody;
    ForRowBands(rows, nobody, false, work);
}

} // namespace velmora
