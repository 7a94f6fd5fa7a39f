// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/threads/RunsInOrder.h"

#include "imaging/threads/RowWorkers.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

namespace velmora {
namespace {

class RunPipeline {
public:
    RunPipeline(int runs, int slots, const std::function<bool(int run, int slot)>& write)
        : runs_(runs)
        , finished_(static_cast<std::size_t>(std::max(1, slots)), false)
        , write_(write)
    {
    }

    void Work(const std::function<EncodeOneRun()>& newEncoder)
    {
        try {
            const EncodeOneRun encode = newEncoder();
            while (const std::optional<int> run = TakeRun())
                Finish(*run, encode(*run, *run % SlotCount()));
        } catch (...) {
            std::lock_guard lock(mutex_);
            failed_ = true;
            changed_.notify_all();
            throw;
        }
    }

    bool Succeeded() const { return !failed_ && written_ == runs_; }

private:
    // The next run to encode, once its slot is free; none when all are
    // taken or the encoding failed.
    std::optional<int> TakeRun()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return failed_ || next_ == runs_ || next_ - written_ < SlotCount(); });
        if (failed_ || next_ == runs_)
            return std::nullopt;
        return next_++;
    }

    void Finish(int run, bool encoded)
    {
        std::unique_lock lock(mutex_);
        failed_ = failed_ || !encoded;
        finished_[run % SlotCount()] = true;
        if (writing_)
            return; // the writing thread comes to it
        writing_ = true;
        while (!failed_ && written_ < runs_ && finished_[written_ % SlotCount()]) {
            const int run = written_;
            lock.unlock();
            const bool wrote = write_(run, run % SlotCount());
            lock.lock();
            failed_ = failed_ || !wrote;
            finished_[run % SlotCount()] = false;
            ++written_;
            changed_.notify_all();
        }
        writing_ = false;
    }

    int SlotCount() const { return static_cast<int>(finished_.size()); }

    const int runs_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<bool> finished_; // encoded, not yet written, by slot
    const std::function<bool(int run, int slot)>& write_;
    int next_ = 0;         // runs taken
    int written_ = 0;      // runs written
    bool writing_ = false; // a thread is writing
    bool failed_ = false;
};

} // namespace

bool EncodeRunsInOrder(int runs, int threads, int slots, const std::function<EncodeOneRun()>& newEncoder,
                       const std::function<bool(int run, int slot)>& write)
{
    RunPipeline pipeline(runs, slots, write);
    const int workers = std::clamp(threads, 1, std::max(1, runs));
    ForRowBands(workers, workers, [&](const RowBand&) { pipeline.Work(newEncoder); });
    return pipeline.Succeeded();
}

} // namespace velmora
