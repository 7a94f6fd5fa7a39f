// SPDX-License-Identifier: GPL-3.0-or-later

#include "bench/Benchmarks.h"

#include "imaging/StereoSettings.h"
#include "segmentation/OutlineImage.h"
#include "segmentation/SegmentSmoothing.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/ReferenceSegmentation.h"

namespace velmora::bench {
namespace {

// The three steps of "Create outline image".
void MakeOutline(const BenchInputs& inputs, const std::string& outline)
{
    test::NullSink sink;
    SegmentationRecord record;
    const std::string gradient = inputs.Output("gradient.bmp");
    MakeLaplacianSignImage(inputs.image, outline, kSaveBmp, record, sink);
    MakeGradientImage(inputs.image, gradient, kSaveBmp, record, sink);
    ApplyOutlineLevel(outline, gradient, outline, 50, kSaveBmp, record, sink);
}

} // namespace

void RegisterSegmentation(int width, int height, bool withReference)
{
    Register("outline", width, height,
             [](const BenchInputs& inputs) { MakeOutline(inputs, inputs.Output("outline.bmp")); });
    Register(
        "segment smoothing pass", width, height,
        [](const BenchInputs& inputs) {
            test::NullSink sink;
            SegmentationRecord record;
            SmoothBySegments(inputs.image + ".outline.bmp", inputs.depth, inputs.Output("segment-smooth.bmp"),
                             kSaveBmp, record, sink);
        },
        false, [](const BenchInputs& inputs) { MakeOutline(inputs, inputs.image + ".outline.bmp"); });
    if (withReference)
        Register(
            "outline (reference)", width, height,
            [](const BenchInputs& inputs) {
                // The same three steps, the first two in the whole-window order.
                const std::string outline = inputs.Output("outline.bmp"), gradient = inputs.Output("gradient.bmp");
                test::ReferenceLaplacianSign(inputs.image, outline);
                test::ReferenceGradient(inputs.image, gradient);
                test::NullSink sink;
                SegmentationRecord record;
                ApplyOutlineLevel(outline, gradient, outline, 50, kSaveBmp, record, sink);
            },
            true);
}

} // namespace velmora::bench
