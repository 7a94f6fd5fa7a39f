// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <ostream>

namespace velmora::bench {

// What the measurements run on; --small makes every picture tiny, to check
// that the benchmarks still work.
struct BenchScale {
    bool small = false;
    int runs = 3; // interleaved; the median counts

    int Width(int megapixels) const;
    int Height(int megapixels) const;
};

// velmora-cli's commands against the floor and ImageMagick, whole process.
void MeasureWholeCommands(const BenchScale& scale, std::ostream& out);

// The anaglyph and LC shutter against cat of their input files, and their
// peak memory.
void MeasureAgainstCat(const BenchScale& scale, std::ostream& out);

// The command line's layouts beside the anaglyph.
void MeasureLayouts(const BenchScale& scale, std::ostream& out);

// batch against single runs one after another.
void MeasureBatch(const BenchScale& scale, std::ostream& out);

// The compute part of each routine with one worker thread and with two.
void MeasureThreads(const BenchScale& scale, std::ostream& out);

// Our JPEG encoder on one thread and two against the image library's.
void MeasureJpeg(const BenchScale& scale, std::ostream& out);

} // namespace velmora::bench
