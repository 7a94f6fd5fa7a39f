// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace velmora::cli {

// Makes an interrupted run (Ctrl+C, SIGTERM, a closed terminal) tidy up
// before it ends: the temporary files of unfinished writes and the private
// folders are removed, so the user's files hold what they held before and
// nothing is left behind; then the process ends by the same signal, as the
// shell expects. Signals the process was started ignoring stay ignored.
// Call first thing in main, before any other thread starts: the signals are
// taken by a thread of their own, in ordinary code.
void TidyUpWhenInterrupted();

// Called where main returns: once tidying up has begun, the run's last
// steps fail (nothing more may be written), but the process must end by
// the signal, not with their exit status; so it waits for that here.
void WaitIfInterrupted();

} // namespace velmora::cli
