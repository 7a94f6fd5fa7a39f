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

// The outcome of routine(options, sink) -> Bitmap with one thread and with
// `threads`.
template <typename Routine>
std::pair<Outcome, Outcome> OneAndMany(int threads, Routine routine)
{
    std::pair<Outcome, Outcome> outcomes;
    for (Outcome* outcome : {&outcomes.first, &outcomes.second}) {
        const RunOptions options{.threads = outcome == &outcomes.first ? 1 : threads};
        RecordingSink sink;
        Bitmap made = routine(options, sink);
        *outcome = Capture(made.get(), sink);
    }
    return outcomes;
}

} // namespace velmora::test
