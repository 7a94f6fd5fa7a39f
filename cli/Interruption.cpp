// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/Interruption.h"

#include "imaging/files/AtomicFile.h"
#include "imaging/files/PrivateFolder.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <iostream>
#include <system_error>
#include <thread>

namespace velmora::cli {
namespace {

// The stop signals this process was not told to ignore: a run started
// with nohup, or in the background of a script, stays deaf to them.
sigset_t StopSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler != SIG_IGN)
            sigaddset(&signals, signal);
    }
    return signals;
}

std::atomic<bool> stopping{false};

} // namespace

void TidyUpWhenInterrupted()
{
    // A file grown past the size limit fails its write, which is reported,
    // instead of ending the process with the temporary file left behind.
    signal(SIGXFSZ, SIG_IGN);
    const sigset_t signals = StopSignals();
    // Blocked here, and so in every thread started later; only sigwait takes them.
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    try {
        std::thread([signals] {
            int received = 0;
            if (sigwait(&signals, &received) != 0)
                return;
            stopping = true;
            RemoveUnfinishedFiles();
            RemovePrivateFolders();
            signal(received, SIG_DFL);
            sigset_t only;
            sigemptyset(&only);
            sigaddset(&only, received);
            pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
            raise(received);
        }).detach();
    } catch (const std::system_error& error) {
        // No thread to be had (a process limit): the signals stop the
        // process as they would any other, and the run goes on without
        // the tidying, which only a stopped run would need.
        pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
        std::cerr << "velmora-cli: a stop signal may leave hidden temporary files behind: cannot start the thread "
                     "that removes them ("
                  << error.what() << ")\n";
    }
}

void WaitIfInterrupted()
{
    while (stopping)
        pause(); // the tidying thread ends the process by its signal
}

} // namespace velmora::cli
