// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/ComposedOverPicture.h"

#include "imaging/stereo/Anaglyph.h"
#include "imaging/stereo/ShiftedView.h"
#include "imaging/stereo/ViewMaster.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

namespace velmora::test {
namespace {

// What the steps give with the view as a picture: the view, then the
// composition, reported to `sink` as a whole run reports them.
Bitmap ComposedAfterAView(StereoOutputKind kind, FIBITMAP* image, FIBITMAP* depth, const StereoOutputRun& run,
                          const StereoSettings& settings, const RunOptions& options, RecordingSink& sink)
{
    Bitmap view = ShiftViewBitmap(image, depth, run.geometry, settings.pixelsPerMetre, options, sink);
    sink.ResetProgress();
    sink.SetStatus(StatusText(kind));
    if (kind == StereoOutputKind::Anaglyph)
        return ComposeAnaglyph(view.get(), image, settings, options, sink);
    const int height = std::min(Height(image), Height(depth));
    return ViewRowParity(run, height) == 0 ? ComposeViewMaster(image, view.get(), settings, options, sink)
                                           : ComposeViewMaster(view.get(), image, settings, options, sink);
}

TEST(ComposeOverPictureTest, GivesTheBytesAndReportsOfAViewComposedAfterIt)
{
    // Both sweep directions, a parallax beyond one pass a level, rows of
    // whole and broken 64-pixel words, pictures larger and smaller than the
    // depth map, one over a megabyte whose pages the result takes.
    struct Case {
        int width, height, depthWidth, depthHeight;
    };
    const Case cases[] = {{128, 40, 128, 40}, {129, 41, 131, 40}, {70, 33, 64, 35}, {700, 520, 700, 520}};
    const StereoGeometry geometries[] = {{6, 4}, {-9, 0}, {300, -3}};
    std::mt19937 random(17);
    StereoSettings settings;
    settings.pixelsPerMetre = 3779;
    // Every anaglyph mode (each makes its view its own way) and the LC
    // shutter; random blocks leave holes everywhere, smooth depth moves long
    // runs together.
    struct Variant {
        StereoOutputKind kind;
        int anaglyphMode;
    };
    const Variant variants[] = {{StereoOutputKind::Anaglyph, 0},
                                {StereoOutputKind::Anaglyph, 1},
                                {StereoOutputKind::Anaglyph, 2},
                                {StereoOutputKind::Anaglyph, 3},
                                {StereoOutputKind::LcShutter, 0}};
    for (const Case& size : cases)
        for (const StereoGeometry& geometry : geometries)
            for (int threads : {1, 2, 7})
                for (const Variant& variant : variants)
                    for (bool smooth : {false, true}) {
                        Bitmap image = RandomImage(size.width, size.height, random);
                        Bitmap depth = smooth ? SmoothDepthMap(size.depthWidth, size.depthHeight, random)
                                              : RandomDepthMap(size.depthWidth, size.depthHeight, random);
                        StereoOutputRun run;
                        run.geometry = geometry;
                        run.leftEyeOnTop = threads == 2 ? std::optional<bool>(true) : std::nullopt;
                        settings.anaglyphMode = variant.anaglyphMode;
                        RunOptions options;
                        options.threads = threads;
                        RecordingSink expectedSink, sink;
                        const Bitmap expected = ComposedAfterAView(variant.kind, image.get(), depth.get(), run,
                                                                   settings, options, expectedSink);

                        Bitmap picture = MakeImage(size.width, size.height,
                                                   [&](int x, int y) { return PixelOf(image.get(), x, y); });
                        const BYTE* pixels = FreeImage_GetBits(picture.get());
                        const Bitmap output = ComposeOverPicture(
                            variant.kind, std::move(picture), TakeChannelPlane(Bitmap(FreeImage_Clone(depth.get())), 0),
                            run, settings, options, sink);
                        const std::string what = std::to_string(size.width) + "x" + std::to_string(size.height) +
                            " P=" + std::to_string(geometry.parallax) + " threads " + std::to_string(threads) +
                            " mode " + std::to_string(variant.anaglyphMode) + (smooth ? " smooth" : " random");
                        ASSERT_TRUE(SameBitmaps(expected.get(), output.get())) << what;
                        EXPECT_EQ(sink.events, expectedSink.events) << what;
                        EXPECT_EQ(sink.pumps, expectedSink.pumps) << what;
                        EXPECT_EQ(FreeImage_GetBits(output.get()) == pixels, size.width == 700) << what;
                    }
}

} // namespace
} // namespace velmora::test
