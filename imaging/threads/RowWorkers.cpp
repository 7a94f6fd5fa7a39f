// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/threads/RowWorkers.h"

#include "imaging/threads/TaskGroup.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>

namespace velmora {
namespace {

// How often the calling thread, its own band done, looks for rows the other
// bands have finished, to pump and step for them. Short enough that the
// window's message pump and the progress bar keep up with the rows (a row of
// a 24 MP picture takes a few dozen microseconds); the end of the last band
// wakes it at once anyway.
constexpr std::chrono::microseconds kReportInterval{200};

// One call of ForRowBands: its bands, the rows they have finished and the
// reports made for them on the calling thread.
class BandRun {
public:
    BandRun(int rows, int threads, ProgressSink& sink, bool stepProgress,
            const std::function<void(const RowBand& band)>& work)
        : rows_(rows), bands_(std::clamp(threads, 1, rows)), sink_(sink), stepProgress_(stepProgress), work_(work)
    {
    }

    // Every band but the first on kept threads; a band that gets no thread
    // is done here, at once.
    void StartOtherBands()
    {
        for (int b = 1; b < bands_; ++b) {
            const auto band = [this, b] { RunBand(BandBegin(b), BandBegin(b + 1), countRow_); };
            if (!tasks_.Start(band))
                Guarded(band);
        }
    }

    // The first band, on this thread, reporting every row finished so far as
    // each of its own ends: a thread of its own only to report would take
    // turns with the bands for the cores.
    void RunFirstBand()
    {
        const std::function<void()> countAndReport = [this] {
            countRow_();
            ReportFinished();
        };
        Guarded([&] { RunBand(0, BandBegin(1), countAndReport); });
    }

    // Reports the rows the other bands finish until they have all ended,
    // then throws the first failure of a band or a report.
    void ReportUntilDone()
    {
        do {
            if (!tasks_.Failed())
                Guarded([this] { ReportFinished(); });
        } while (!tasks_.WaitFor(kReportInterval));
        tasks_.WaitAndRethrow();
        for (; reported_ < rows_; ++reported_)
            Report();
    }

private:
    int BandBegin(int b) const { return static_cast<int>(static_cast<long long>(rows_) * b / bands_); }

    void RunBand(int begin, int end, const std::function<void()>& rowDone) const
    {
        const RowBand band(begin, end, rowDone);
        work_(band);
        band.ReportTheRest();
    }

    // Runs `step` on this thread; a failure is kept for the end of the call,
    // since the bands still use this call's variables.
    void Guarded(const std::function<void()>& step)
    {
        try {
            step();
        } catch (...) {
            tasks_.KeepFailure(std::current_exception());
        }
    }

    void Report()
    {
        sink_.PumpOneMessage();
        if (stepProgress_)
            sink_.StepProgress();
    }

    void ReportFinished()
    {
        for (const int finished = done_.load(std::memory_order_acquire); reported_ < finished; ++reported_)
            Report();
    }

    const int rows_;
    const int bands_;
    ProgressSink& sink_;
    const bool stepProgress_;
    const std::function<void(const RowBand& band)>& work_;
    std::atomic<int> done_{0}; // rows finished by any band
    const std::function<void()> countRow_ = [this] { done_.fetch_add(1, std::memory_order_release); };
    int reported_ = 0; // rows reported; only the calling thread touches it
    TaskGroup tasks_;  // last: its end waits for the bands, which use the rest
};

} // namespace

void ForRowBands(int rows, int threads, ProgressSink& sink, bool stepProgress,
                 const std::function<void(const RowBand& band)>& work)
{
    if (rows <= 0)
        return;
    BandRun run(rows, threads, sink, stepProgress, work);
    run.StartOtherBands();
    run.RunFirstBand();
    run.ReportUntilDone();
}

void ForRowBands(int rows, int threads, const std::function<void(const RowBand& band)>& work)
{
    SilentSink nobody;
    ForRowBands(rows, threads, nobody, false, work);
}

} // namespace velmora
