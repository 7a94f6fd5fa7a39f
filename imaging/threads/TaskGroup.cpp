// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/threads/TaskGroup.h"

#include "imaging/threads/IdleThreads.h"

#include <utility>

namespace velmora {

bool TaskGroup::Start(std::function<void()> task)
{
    {
        std::lock_guard lock(mutex_);
        ++running_;
    }
    try {
        RunOnIdleThread([this, task = std::move(task)] {
            std::exception_ptr failed;
            try {
                task();
            } catch (...) {
                failed = std::current_exception();
            }
            // Notified under the lock, so the group cannot end before this is done.
            std::lock_guard lock(mutex_);
            if (failed && !failure_)
                failure_ = failed;
            --running_;
            taskEnded_.notify_all();
        });
        return true;
    } catch (...) {
        std::lock_guard lock(mutex_);
        --running_;
        return false;
    }
}

void TaskGroup::KeepFailure(const std::exception_ptr& failure)
{
    std::lock_guard lock(mutex_);
    if (failure && !failure_)
        failure_ = failure;
}

bool TaskGroup::Failed()
{
    std::lock_guard lock(mutex_);
    return failure_ != nullptr;
}

bool TaskGroup::WaitFor(std::chrono::microseconds longest)
{
    std::unique_lock lock(mutex_);
    return taskEnded_.wait_for(lock, longest, [this] { return running_ == 0; });
}

void TaskGroup::Wait()
{
    std::unique_lock lock(mutex_);
    taskEnded_.wait(lock, [this] { return running_ == 0; });
}

void TaskGroup::WaitAndRethrow()
{
    Wait();
    std::lock_guard lock(mutex_);
    if (failure_)
        std::rethrow_exception(std::exchange(failure_, nullptr));
}

} // namespace velmora
