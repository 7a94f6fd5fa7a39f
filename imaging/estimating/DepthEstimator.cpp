// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/estimating/DepthEstimator.h"

#include "imaging/estimating/NetworkInput.h"
#include "imaging/estimating/NetworkOutput.h"

#include <opencv2/core/utils/logger.hpp>
#include <opencv2/dnn.hpp>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <mutex>
#include <new>

namespace velmora {
namespace {

// OpenCV's thread count and log level are its process's: the run's count is
// set for the pass and the log kept quiet (the problem goes back to the
// caller in our words), and both are put back after. One pass runs at a
// time (a batch's pictures may ask at once): each takes every thread it is
// given, and a network's memory is counted for one.
class OpenCvRunScope {
public:
    explicit OpenCvRunScope(int threads)
        : oneAtATime_(PassMutex())
        , threads_(cv::getNumThreads())
        , logLevel_(cv::utils::logging::getLogLevel())
    {
        cv::setNumThreads(std::max(1, threads));
        cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
    }
    ~OpenCvRunScope()
    {
        cv::utils::logging::setLogLevel(logLevel_);
        cv::setNumThreads(threads_);
    }
    OpenCvRunScope(const OpenCvRunScope&) = delete;
    OpenCvRunScope& operator=(const OpenCvRunScope&) = delete;

private:
    static std::mutex& PassMutex()
    {
        static std::mutex mutex;
        return mutex;
    }

    std::lock_guard<std::mutex> oneAtATime_;
    int threads_;
    cv::utils::logging::LogLevel logLevel_;
};

// OpenCV's error text on one line, without the "> " it puts before the lines
// of a model's node errors.
std::string OneLine(const cv::Exception& error)
{
    std::string line;
    bool lineStart = true, space = false;
    for (const char c : error.err) {
        if (c == '\n' || c == '\r' || c == ' ' || (c == '>' && lineStart)) {
            lineStart = lineStart || c == '\n' || c == '\r';
            space = !line.empty();
            continue;
        }
        if (space)
            line += ' ';
        line += c;
        lineStart = space = false;
    }
    return line;
}

std::string SizeText(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

// Why the model file cannot be opened, if it cannot.
std::string ModelFileProblem(const std::string& path)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status))
        return "no such file";
    if (!std::filesystem::is_regular_file(status))
        return "not a regular file";
    return {};
}

std::variant<DisparityMap, std::string> Estimate(FIBITMAP* picture, const std::string& modelPath,
                                                 const EstimatorOptions& options)
{
    if (const std::string problem = ModelFileProblem(modelPath); !problem.empty())
        return problem;
    cv::dnn::Net net;
    try {
        net = cv::dnn::readNetFromONNX(modelPath);
    } catch (const cv::Exception& error) {
        return "not an ONNX model that OpenCV can read (" + OneLine(error) + ")";
    }
    const cv::Mat input = InputBlob(picture, options);
    cv::Mat output;
    try {
        net.setInput(input);
        output = net.forward();
    } catch (const cv::Exception& error) {
        return "it did not run on a " + SizeText(options.inputWidth, options.inputHeight) + " input (" +
            OneLine(error) + "); a model made for one input size needs that size in the options";
    }
    auto plane = OutputPlane(output);
    if (auto* problem = std::get_if<std::string>(&plane))
        return std::move(*problem);
    return DisparityAtSize(std::get<cv::Mat>(plane), options.output, Width(picture), Height(picture));
}

} // namespace

std::variant<DisparityMap, std::string> EstimateDisparity(FIBITMAP* picture, const std::string& modelPath,
                                                          const EstimatorOptions& options, const RunOptions& run)
{
    if (BitsPerPixel(picture) != 24)
        return std::string("the depth estimator takes 24-bit pictures");
    if (std::min(options.inputWidth, options.inputHeight) < 1 ||
        std::max(options.inputWidth, options.inputHeight) > kLargestInputSide)
        return "the input size " + SizeText(options.inputWidth, options.inputHeight) +
            " is not one a depth model takes";
    std::variant<DisparityMap, std::string> estimate;
    try {
        const OpenCvRunScope scope(run.threads);
        estimate = Estimate(picture, modelPath, options);
    } catch (const std::bad_alloc&) {
        estimate =
            "not enough memory to estimate the depth of a " + SizeText(Width(picture), Height(picture)) + " picture";
    } catch (const cv::Exception& error) {
        estimate = OneLine(error);
    } catch (const std::exception& error) {
        estimate = std::string(error.what());
    }
    if (auto* problem = std::get_if<std::string>(&estimate))
        *problem = "depth model " + modelPath + ": " + *problem;
    return estimate;
}

EstimateResult EstimateDepth(FIBITMAP* picture, const std::string& modelPath, const EstimatorOptions& options,
                             const RunOptions& run)
{
    auto estimate = EstimateDisparity(picture, modelPath, options, run);
    if (auto* problem = std::get_if<std::string>(&estimate))
        return {nullptr, std::move(*problem)};
    Bitmap depth = GreyDepthMapOverItsRange(std::get<DisparityMap>(estimate));
    if (!depth)
        return {nullptr,
                "not enough memory for the depth map of a " + SizeText(Width(picture), Height(picture)) + " picture"};
    return {std::move(depth), {}};
}

} // namespace velmora
