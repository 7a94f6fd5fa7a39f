#include "cli/Interruption.h"

#include "cli/PrivateFolder.h"
#include "imaging/AtomicFile.h"

#include <pthread.h>
#include <signal.h>

#include <thread>

namespace velmora::cli {
namespace {

sigset_t StopSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    return signals;
}

} // namespace

void TidyUpWhenInterrupted()
{
    const sigset_t signals = StopSignals();
    // Blocked here, and so in every thread started later; only sigwait takes them.
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread([signals] {
        int received = 0;
        if (sigwait(&signals, &received) != 0)
            return;
        RemoveUnfinishedFiles();
        RemovePrivateFolders();
        signal(received, SIG_DFL);
        sigset_t only;
        sigemptyset(&only);
        sigaddset(&only, received);
        pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
        raise(received);
    }).detach();
}

} // namespace velmora::cli
