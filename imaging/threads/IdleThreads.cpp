// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/threads/IdleThreads.h"

#include <stdexcept>
#include <utility>

namespace velmora {

void KeptThreads::End()
{
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    for (const std::unique_ptr<Worker>& worker : workers_)
        worker->wake.notify_one();
    for (const std::unique_ptr<Worker>& worker : workers_)
        if (worker->thread.joinable())
            worker->thread.join();
}

void KeptThreads::Run(std::function<void()> task)
{
    std::lock_guard lock(mutex_);
    if (ending_)
        throw std::runtime_error("the program is ending");
    if (idle_.empty()) {
        // Nothing can fail once the thread runs, nor when it is idle again.
        workers_.reserve(workers_.size() + 1);
        idle_.reserve(workers_.size() + 1);
        auto worker = std::make_unique<Worker>();
        worker->task = std::move(task);
        worker->thread = std::thread([this, w = worker.get()] { Serve(*w); });
        workers_.push_back(std::move(worker));
        return;
    }
    Worker* worker = idle_.back();
    idle_.pop_back();
    worker->task = std::move(task);
    worker->wake.notify_one();
}

void KeptThreads::Serve(Worker& worker)
{
    std::unique_lock lock(mutex_);
    for (;;) {
        worker.wake.wait(lock, [&] { return worker.task || ending_; });
        if (!worker.task)
            return;
        {
            // Ended, with what it holds, before the lock is taken again.
            const std::function<void()> task = std::move(worker.task);
            worker.task = nullptr;
            lock.unlock();
            task();
        }
        lock.lock();
        idle_.push_back(&worker);
    }
}

void RunOnIdleThread(std::function<void()> task)
{
    static KeptThreads threads;
    threads.Run(std::move(task));
}

} // namespace velmora
