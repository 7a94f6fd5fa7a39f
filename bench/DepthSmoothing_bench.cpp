// SPDX-License-Identifier: GPL-3.0-or-later

#include "bench/Benchmarks.h"

#include "imaging/stereo/DepthSmoothing.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/ReferenceRoutines.h"

namespace velmora::bench {

void RegisterDepthSmoothing(int width, int height, int radius, bool withReference)
{
    const std::string operation = "smoothing r=" + std::to_string(radius);
    Register(operation, width, height, [radius](const BenchInputs& inputs) {
        test::NullSink sink;
        SmoothDepthMap(inputs.depth, inputs.Output("smooth.bmp"), radius, {}, RunOptions{}, sink);
    });
    if (withReference)
        Register(
            operation + " (reference)", width, height,
            [radius](const BenchInputs& inputs) {
                test::NullSink sink;
                test::ReferenceSmoothDepthMap(inputs.depth, inputs.Output("smooth.bmp"), radius, {}, sink);
            },
            true);
}

} // namespace velmora::bench
