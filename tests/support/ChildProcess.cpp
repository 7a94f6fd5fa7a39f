// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/support/ChildProcess.h"

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace velmora::test {

int FailedChecksInChild(const std::function<int()>& checks)
{
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0)
        _exit(checks());
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

bool IsMapped(const void* page)
{
    // msync fails with ENOMEM on an address that nothing maps.
    return msync(const_cast<void*>(page), 4096, MS_ASYNC) == 0 || errno != ENOMEM;
}

} // namespace velmora::test
