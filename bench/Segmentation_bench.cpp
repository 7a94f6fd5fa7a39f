// SPDX-License-Identifier: GPL-3.0-or-later

#include "bench/Benchmarks.h"

#include "imaging/stereo/StereoSettings.h"
#include "segmentation/OutlineImage.h"
#include "segmentation/SegmentSmoothing.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/ReferenceSegmentation.h"

namespace velmora::bench {
namespace {

// "Create outline image": the outline and gradient files from the picture.
void MakeOutline(const BenchInputs& inputs, const std::string& outline)
{
    test::NullSink sink;
    SegmentationRecord record;
    MakeOutlineFiles(inputs.image, outline, inputs.Output("gradient.bmp"), 50, kSaveBmp, kSaveBmp, record, RunOptions{},
                     sink);
}

} // namespace

void RegisterSegmentation(int width, int height, bool withReference)
{
    Register("outline", width, height,
             [](const BenchInputs& inputs) { MakeOutline(inputs, inputs.Output("outline.bmp")); });
    Register(
        "segment smoothing, 5 passes", width, height,
        [](const BenchInputs& inputs) {
            test::NullSink sink;
            SegmentationRecord record;
            SmoothBySegmentsPasses(inputs.image + ".outline.bmp", inputs.depth, inputs.Output("segment-smooth.bmp"), 5,
                                   kSaveBmp, record, RunOptions{}, sink);
        },
        false, [](const BenchInputs& inputs) { MakeOutline(inputs, inputs.image + ".outline.bmp"); });
    if (withReference)
        Register(
            "outline (reference)", width, height,
            [](const BenchInputs& inputs) {
                // The signs and the gradient, each from a file to a file in the
                // whole-window order.
                test::ReferenceLaplacianSign(inputs.image, inputs.Output("outline.bmp"));
                test::ReferenceGradient(inputs.image, inputs.Output("gradient.bmp"));
            },
            true);
}

} // namespace velmora::bench
