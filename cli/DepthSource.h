// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "cli/ConsoleSink.h"
#include "imaging/RunOptions.h"
#include "imaging/estimating/EstimatorOptions.h"
#include "imaging/files/PrivateFolder.h"
#include "imaging/picture/Bitmap.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora::cli {

// A depth network and how it wants its picture, as the command line gives them.
struct ModelOptions {
    std::string model; // an ONNX file; empty: none
    std::string input = "256x256";
    std::string channels = "rgb";
    std::vector<float> mean{0.485f, 0.456f, 0.406f};
    std::vector<float> deviation{0.229f, 0.224f, 0.225f};
    std::string output = "inverse-depth";
};

// `modelOption` (--model or --depth-model) and the --model-* options.
void AddModelOptions(CLI::App& command, ModelOptions& options, const std::string& modelOption);

// The estimator's options; a UsageError for an input size that is no WxH
// within bounds, or a deviation of 0.
EstimatorOptions EstimatorOptionsOf(const ModelOptions& options);

// --depth's name for the depth map stored in the photograph itself, which
// is also where the depth map comes from when neither --depth nor
// --depth-model is given.
inline constexpr const char* kEmbeddedDepth = "embedded";

// Where a command's depth map comes from, and how one of another size than
// the picture's is brought to it.
struct DepthSource {
    std::string depth; // a depth map file, kEmbeddedDepth or empty (the same)
    ModelOptions model;
    std::string fit; // "scale", "crop", or empty: scaled when the shapes agree, refused otherwise
};

// --depth, --depth-model with the --model-* options, and --depth-fit.
void AddDepthSourceOptions(CLI::App& command, DepthSource& source, const std::string& depthHelp);
void AddDepthFitOption(CLI::App& command, std::string& fit);

// The depth map file the routines are to read for the picture, and the
// private folder that holds it when it was made here.
struct PreparedDepth {
    std::string path;
    std::unique_ptr<PrivateFolder> folder;
};

// With a model: the picture's estimated depth map, written to a private
// folder; without a file, or with kEmbeddedDepth: the one the photograph
// stores, the same way. With a file: the file when its size is the picture's (or either
// cannot be read: the routine then reports it, as ever), or when
// --depth-fit crop lets the routines use the area both have; otherwise the
// depth map scaled to the picture, written to a private folder, with a note
// on a terminal. A depth map of another shape without --depth-fit is a
// UsageError naming both sizes and both ways out. None, after the message,
// when the map cannot be made.
std::optional<PreparedDepth> PrepareDepth(const std::string& picturePath, const DepthSource& source,
                                          const RunOptions& options, ProgressSink& sink);

// The depth map stored in the photograph, fitted to the picture; none after
// the message when it is damaged, a UsageError naming the ways out when the
// photograph stores none.
Bitmap StoredDepthOrReport(const std::string& picturePath, const RunOptions& options, ProgressSink& sink);

// The picture's depth map estimated by the model, or none after the message.
Bitmap EstimateOrReport(const std::string& picturePath, const ModelOptions& model, const RunOptions& options,
                        ProgressSink& sink);

} // namespace velmora::cli
