// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace velmora {

// Threads kept from earlier tasks. Starting a thread costs as much as
// hundreds of rows of the quicker routines, and they run several times a
// second in a batch, so finished threads wait for the next task instead of
// ending.
class KeptThreads {
public:
    KeptThreads() = default;
    ~KeptThreads() { End(); }
    KeptThreads(const KeptThreads&) = delete;
    KeptThreads& operator=(const KeptThreads&) = delete;

    // Runs task on an idle kept thread, or on a new one when none is idle,
    // and returns at once. The task must not throw. When no thread can be
    // had (none can start, or End has been called) this throws and the task
    // is not run.
    void Run(std::function<void()> task);

    // Lets every kept thread finish its task and end; no task starts after.
    void End();

private:
    struct Worker {
        std::function<void()> task; // empty while idle
        std::condition_variable wake;
        std::thread thread;
    };

    void Serve(Worker& worker);

    std::mutex mutex_;
    bool ending_ = false;
    std::vector<std::unique_ptr<Worker>> workers_;
    std::vector<Worker*> idle_;
};

// Runs task on the process's kept threads (above). One pool per process: the
// cores are the process's, and a band or batch job started from any thread,
// from inside another band too, takes whichever kept thread is idle. Not to
// be called from the destructors of static objects.
void RunOnIdleThread(std::function<void()> task);

} // namespace velmora
