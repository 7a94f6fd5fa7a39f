// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/stereo/Messages.h"
#include "imaging/threads/ProgressSink.h"

#include <new>

namespace velmora {

// Runs a routine's work; if memory runs out for its working buffers, the user
// is told and the routine ends like any other failed step, with the empty
// value of the work's result (false for a bool). Bitmaps and buffers are
// released on the way out.
template <typename Work>
auto GuardAllocation(ProgressSink& sink, Work&& work) -> decltype(work())
{
    try {
        return work();
    } catch (const std::bad_alloc&) {
        sink.ResetProgress();
        sink.ShowMessage(messages::kNotEnoughMemory);
        return {};
    }
}

} // namespace velmora
