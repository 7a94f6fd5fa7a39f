// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/stereo/StereoLayouts.h"

#include <algorithm>

#include "imaging/pairs/PairFiles.h"
#include "imaging/stereo/AllocationGuard.h"
#include "imaging/stereo/DepthSmoothing.h"
#include "imaging/stereo/Messages.h"
#include "imaging/stereo/RoutineSteps.h"
#include "imaging/stereo/ShiftedView.h"

namespace velmora {
namespace {

// The picture and its depth map, smoothed when the run asks: what every
// view is made from. Both empty after a failure's message.
struct ViewSources {
    Bitmap image;
    Bitmap depth;
    int depthChannel = kBlueByte; // the byte of the depth map's pixels that the views read

    DepthBytes Depth() const { return DepthBytes(depth.get(), depthChannel); }
};

ViewSources ReadViewSources(const LayoutRun& run, const RunOptions& options, ProgressSink& sink)
{
    ViewSources sources;
    Bitmap depth = ReadDepthOrReport(run.depth, messages::DepthMapReadFailure(run.smoothingRadius > 0), options, sink);
    if (!depth)
        return {};
    if (run.smoothingRadius > 0) {
        sink.SetStatus(messages::kStatusSmoothing);
        sources.depthChannel = SmoothDepthInItsPixels(depth.get(), run.smoothingRadius, options, sink);
        sink.ResetProgress();
    }
    sources.image = ReadOrReport(run.imagePath, messages::kCouldntLoadBitmap, options, sink);
    if (sources.image)
        sources.depth = std::move(depth);
    return sources;
}

Bitmap ViewOf(const ViewSources& sources, const StereoGeometry& geometry, const StereoSettings& settings,
              const RunOptions& options, ProgressSink& sink)
{
    Bitmap view =
        ShiftViewBitmap(sources.image.get(), sources.Depth(), geometry, settings.pixelsPerMetre, options, sink);
    if (view)
        sink.ResetProgress();
    return view;
}

// The two eyes of a run: the view (left) and the picture (right), the
// status set once they are read; both empty after a failure's message.
struct Eyes {
    Bitmap left;
    Bitmap right;
};

Eyes MakeEyes(const LayoutRun& run, const char* status, const StereoSettings& settings, const RunOptions& options,
              ProgressSink& sink)
{
    ViewSources sources = ReadViewSources(run, options, sink);
    if (!sources.depth)
        return {};
    sink.SetStatus(status);
    // The one view is painted over the depth map, which nothing needs after it.
    const DepthBytes depth = sources.Depth();
    Bitmap view = ShiftViewOverPages(sources.image.get(), std::move(sources.depth), depth, run.geometry,
                                     settings.pixelsPerMetre, options, sink);
    if (!view)
        return {};
    sink.ResetProgress();
    return {std::move(view), std::move(sources.image)};
}

} // namespace

bool WriteSideBySide(FIBITMAP* left, FIBITMAP* right, PairLayout layout, bool half, const std::string& outputPath,
                     const StereoSettings& settings, const RunOptions& options, ProgressSink& sink)
{
    Bitmap output = ComposeSideBySide(left, right, layout, half, settings, options, sink);
    return output && WriteOrReport(output.get(), outputPath, settings.saveFormat, options, sink);
}

bool WriteEyes(FIBITMAP* left, FIBITMAP* right, const std::string& leftPath, int leftFormat,
               const std::string& rightPath, int rightFormat, const StereoSettings& settings, const RunOptions& options,
               ProgressSink& sink)
{
    if (!WriteOrReport(left, leftPath, leftFormat, options, sink))
        return false;
    SetResolution(right, settings.pixelsPerMetre);
    return WriteOrReport(right, rightPath, rightFormat, options, sink);
}

bool WriteEyesMpo(FIBITMAP* left, FIBITMAP* right, const std::string& path, const StereoSettings& settings,
                  const RunOptions& options, ProgressSink& sink)
{
    SetResolution(right, settings.pixelsPerMetre);
    const FileStatus written = WriteStereoMpo(left, right, path, options);
    if (!written)
        ReportWriteFailure(path, written, sink);
    return bool(written);
}

bool MakeSideBySide(const LayoutRun& run, PairLayout layout, bool half, const std::string& outputPath,
                    const StereoSettings& settings, const RunOptions& options, ProgressSink& sink)
{
    return GuardAllocation(sink, [&] {
        const Eyes eyes = MakeEyes(run, "Side by side", settings, options, sink);
        return eyes.left &&
               WriteSideBySide(eyes.left.get(), eyes.right.get(), layout, half, outputPath, settings, options, sink);
    });
}

bool MakeEyePair(const LayoutRun& run, const std::string& leftPath, int leftFormat, const std::string& rightPath,
                 int rightFormat, const StereoSettings& settings, const RunOptions& options, ProgressSink& sink)
{
    return GuardAllocation(sink, [&] {
        const Eyes eyes = MakeEyes(run, "Stereo pair", settings, options, sink);
        return eyes.left && WriteEyes(eyes.left.get(), eyes.right.get(), leftPath, leftFormat, rightPath, rightFormat,
                                      settings, options, sink);
    });
}

bool MakeStereoMpo(const LayoutRun& run, const std::string& path, const StereoSettings& settings,
                   const RunOptions& options, ProgressSink& sink)
{
    return GuardAllocation(sink, [&] {
        const Eyes eyes = MakeEyes(run, "Stereo pair", settings, options, sink);
        return eyes.left && WriteEyesMpo(eyes.left.get(), eyes.right.get(), path, settings, options, sink);
    });
}

bool SeriesPlan::IsPicture(int file, int count) const
{
    const int k = FromPicturesEnd(file, count);
    return symmetric ? 2 * k == count - 1 : k == 0;
}

StereoGeometry SeriesPlan::GeometryOf(const StereoGeometry& whole, int file, int count) const
{
    const int k = FromPicturesEnd(file, count);
    if (!symmetric)
        return whole.ShareOfSeries(k, count);
    // (k - (count - 1) / 2) / (count - 1) of the whole: from minus a half to a half.
    return whole.ShareOfSeries(2 * k - (count - 1), 2 * count - 1);
}

// The picture as a frame of the series: cut, as every view is, to the
// bottom-left area it shares with its depth map, so that all frames are of
// one size. None when memory runs out.
Bitmap CommonArea(const ViewSources& sources)
{
    FIBITMAP* image = sources.image.get();
    const int width = std::min(Width(image), Width(sources.depth.get()));
    const int height = std::min(Height(image), Height(sources.depth.get()));
    // The library counts rows from the top.
    Bitmap area(FreeImage_Copy(image, 0, Height(image) - height, width, Height(image)));
    if (area)
        SetResolution(area.get(), HorizontalResolution(image));
    return area;
}

bool MakeViewSeries(const LayoutRun& run, const std::vector<std::string>& paths, const StereoSettings& settings,
                    const RunOptions& options, ProgressSink& sink, const SeriesPlan& plan)
{
    const int count = static_cast<int>(paths.size());
    return GuardAllocation(sink, [&] {
        ViewSources sources = ReadViewSources(run, options, sink);
        if (!sources.depth)
            return false;
        SetResolution(sources.image.get(), settings.pixelsPerMetre);
        for (int file = 0; file < count; ++file) {
            sink.SetStatus("View " + std::to_string(file + 1) + " of " + std::to_string(count));
            const bool picture = plan.IsPicture(file, count);
            Bitmap view = picture
                ? CommonArea(sources)
                : ViewOf(sources, plan.GeometryOf(run.geometry, file, count), settings, options, sink);
            if (!view) {
                if (picture)
                    sink.ShowMessage(messages::kNotEnoughMemory);
                return false;
            }
            if (!WriteOrReport(view.get(), paths[file], settings.saveFormat, options, sink))
                return false;
        }
        return true;
    });
}

} // namespace velmora
