// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <functional>

namespace velmora {

// Encodes one run into a slot; false when it cannot.
using EncodeOneRun = std::function<bool(int run, int slot)>;

// Encodes the runs 0 .. runs - 1 on `threads` threads and hands each to
// `write` in order, for a file whose pieces are made apart but written one
// after the other. Each thread takes the next run as soon as it has finished
// one, into slot run % slots, and whichever thread finishes the run that is
// next in the file writes it and any finished ones after it: no thread waits
// for another's runs until the last, and at most `slots` runs are kept at
// once. `newEncoder` is called once on each thread, so that an encoder keeps
// its own scratch from run to run; `write` is called by one thread at a
// time. Returns false when a run could not be encoded or written; a failure
// thrown by either (running out of memory) is thrown again on the calling
// thread.
bool EncodeRunsInOrder(int runs, int threads, int slots, const std::function<EncodeOneRun()>& newEncoder,
                       const std::function<bool(int run, int slot)>& write);

} // namespace velmora
