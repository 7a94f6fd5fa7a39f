// SPDX-License-Identifier: GPL-3.0-or-later

#include "bench/Benchmarks.h"

#include "imaging/stereo/Anaglyph.h"
#include "imaging/stereo/ViewMaster.h"
#include "tests/support/RecordingSink.h"

namespace velmora::bench {

// The shifted view is stood in for by the depth map: the compositions only
// copy and average bytes, whatever they hold.
void RegisterCompositions(int width, int height)
{
    Register("anaglyph (grey)", width, height, [](const BenchInputs& inputs) {
        test::NullSink sink;
        MakeAnaglyph(inputs.Output("anaglyph.bmp"), inputs.depth, inputs.image, {}, RunOptions{}, sink);
    });
    Register("LC shutter", width, height, [](const BenchInputs& inputs) {
        test::NullSink sink;
        MakeViewMaster(inputs.Output("lcshutter.bmp"), inputs.image, inputs.depth, {}, RunOptions{}, sink);
    });
}

} // namespace velmora::bench
