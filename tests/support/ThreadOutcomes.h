// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/picture/Bitmap.h"
#include "imaging/threads/RowWorkers.h"
#include "tests/support/RecordingSink.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace velmora::test {

// What a routine made, with what it reported while it ran.
struct Outcome {
    std::vector<std::uint8_t> bytes;
    long long pumps = 0;
    std::vector<std::string> events;

    bool operator==(const Outcome&) const = default;
};

inline Outcome Capture(FIBITMAP* bitmap, const RecordingSink& sink)
{
    Outcome outcome{{}, sink.pumps, sink.events};
    for (int y = 0; bitmap && y < Height(bitmap); ++y)
        outcome.bytes.insert(outcome.bytes.end(), RowAt(bitmap, y), RowAt(bitmap, y) + 3 * Width(bitmap));
    return outcome;
}

// The outcome of routine(sink) -> Bitmap with one worker thread and with
// `threads`; the workers are one again afterwards.
template <typename Routine>
std::pair<Outcome, Outcome> OneAndMany(int threads, Routine routine)
{
    std::pair<Outcome, Outcome> outcomes;
    for (Outcome* outcome : {&outcomes.first, &outcomes.second}) {
        SetWorkerThreads(outcome == &outcomes.first ? 1 : threads);
        RecordingSink sink;
        Bitmap made = routine(sink);
        *outcome = Capture(made.get(), sink);
    }
    SetWorkerThreads(1);
    return outcomes;
}

} // namespace velmora::test
