// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/threads/ProgressSink.h"

#include <chrono>
#include <future>
#include <utility>

namespace velmora {

// `work`'s result, worked out on a thread of its own while the calling
// thread keeps `sink`'s window alive, for a step that cannot stop to pump
// events itself (a library's matching, seconds long on a large picture).
// What `work` throws is thrown here.
template <typename Work> auto AwayFromTheWindow(ProgressSink& sink, Work&& work)
{
    auto result = std::async(std::launch::async, std::forward<Work>(work));
    while (result.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        sink.PumpOneMessage();
    return result.get();
}

} // namespace velmora
