// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/threads/ProgressSink.h"

#include <functional>

namespace velmora {

// A band of consecutive rows that one thread works on; it says when each of
// its rows is done.
class RowBand {
public:
    RowBand(int begin, int end, const std::function<void()>& rowDone) : begin(begin), end(end), rowDone_(rowDone) {}

    const int begin;
    const int end; // one past the last row

    void RowDone() const
    {
        ++reported_;
        rowDone_();
    }
    // The rows the work did not report, reported when it returns.
    void ReportTheRest() const
    {
        while (reported_ < end - begin)
            RowDone();
    }

private:
    const std::function<void()>& rowDone_;
    mutable int reported_ = 0;
};

// Runs work(band) over bands of the rows 0 .. rows - 1, one band for each
// of `threads` threads (fewer for fewer rows; results never depend on it),
// and returns when every row is done. The calling thread does the first band
// itself; as each of its rows ends, and then while it waits for the other
// bands, it pumps the sink's messages once per row finished by any band (and
// steps its progress too when `stepProgress`), so that a window stays alive
// and the counts are those of a single pass over the rows. A band that gets
// no thread runs on the calling thread. A failure in a band or in a report
// (running out of memory) is thrown again on the calling thread once every
// band has ended.
void ForRowBands(int rows, int threads, ProgressSink& sink, bool stepProgress,
                 const std::function<void(const RowBand& band)>& work);

// The same for work that keeps no window alive: nothing is reported.
void ForRowBands(int rows, int threads, const std::function<void(const RowBand& band)>& work);

} // namespace velmora
