// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>

namespace velmora {

// Tasks run on kept threads (RunOnIdleThread), and the wait for all of them:
// the one way the program runs work beside the calling thread, for the bands
// of a routine's rows and for a batch's pictures alike. The first failure of
// a task (or one the caller hands in) is kept, to be thrown again on the
// calling thread once no task runs. The destructor waits for every task.
class TaskGroup {
public:
    TaskGroup() = default;
    ~TaskGroup() { Wait(); }
    TaskGroup(const TaskGroup&) = delete;
    TaskGroup& operator=(const TaskGroup&) = delete;

    // Runs task on a kept thread and returns at once; false, and the task
    // not run, when no thread can be had (none can start, or the program is
    // ending): the caller then does the work itself or with fewer threads.
    bool Start(std::function<void()> task);

    // Keeps `failure` unless an earlier one is kept.
    void KeepFailure(const std::exception_ptr& failure);
    bool Failed();

    // Waits until every started task has ended, or `longest` has passed;
    // returns whether they all have.
    bool WaitFor(std::chrono::microseconds longest);
    void Wait();

    // Waits for every task, then throws the first failure kept, if any.
    void WaitAndRethrow();

private:
    std::mutex mutex_; // guards what follows
    std::condition_variable taskEnded_;
    int running_ = 0;
    std::exception_ptr failure_;
};

} // namespace velmora
