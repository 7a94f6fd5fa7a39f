// SPDX-License-Identifier: GPL-3.0-or-later

#include "bench/Benchmarks.h"

#include "imaging/stereo/ShiftedView.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/ReferenceRoutines.h"

namespace velmora::bench {

void RegisterShiftedView(int width, int height, int parallax, bool withReference)
{
    StereoSettings settings;
    settings.geometry.parallax = parallax;
    settings.geometry.stereoWindow = parallax;
    settings.pixelsPerMetre = 2835;
    const std::string operation = "view P=" + std::to_string(parallax);
    Register(operation, width, height, [settings](const BenchInputs& inputs) {
        test::NullSink sink;
        MakeShiftedView(inputs.Output("view.bmp"), inputs.image, inputs.depth, settings, RunOptions{}, sink);
    });
    if (withReference)
        Register(
            operation + " (reference)", width, height,
            [settings](const BenchInputs& inputs) {
                test::NullSink sink;
                test::ReferenceShiftedView(inputs.Output("view.bmp"), inputs.image, inputs.depth, settings, sink);
            },
            true);
}

} // namespace velmora::bench
