// SPDX-License-Identifier: GPL-3.0-or-later

// batch: one whole command for every picture of a folder, several pictures
// at a time.

#include "cli/BatchPictures.h"
#include "cli/DepthSource.h"
#include "cli/PairCommands.h"
#include "cli/PairOptions.h"
#include "cli/RigOptions.h"
#include "cli/WholeCommand.h"

#include "imaging/threads/TaskGroup.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <iostream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <tuple>

namespace velmora::cli {
namespace {

namespace fs = std::filesystem;

struct BatchOptions {
    std::string images;
    std::string depths;
    std::string depthSuffix;
    ModelOptions model;
    std::string depthFit;
    std::string out;
    std::string format = "png";
    int jobs = HardwareThreads();
    bool overwrite = false;
    std::string shard; // "K/N", or empty: every picture
    bool resume = false;
};

// The share of the pictures this run takes: the K-th (from 0) of N.
struct Shard {
    int index = 0;
    int count = 1;
};

Shard ShardOf(const std::string& text)
{
    Shard shard;
    char slash = 0;
    std::istringstream in(text);
    if (text.empty())
        return shard;
    if (!(in >> shard.index >> slash >> shard.count) || slash != '/' || !in.eof() || shard.count < 1 ||
        shard.index < 0 || shard.index >= shard.count)
        throw UsageError("--shard " + text +
                         ": give K/N, the K-th of N shares counted from 0 (0/4 to 3/4), as "
                         "Slurm's array task id and count or a Kubernetes completion index give them");
    return shard;
}

// The pictures of this run's share. Pictures of one stem stay together,
// so that the rule for two pictures of one name holds across machines too;
// the stems are dealt out in name order, which every machine sees alike.
std::vector<const BatchPicture*> ShareOf(const std::vector<BatchPicture>& pictures, const Shard& shard)
{
    std::map<std::string, int> stems; // stem -> its place in name order
    for (const BatchPicture& picture : pictures)
        stems.emplace(picture.stem, 0);
    int place = 0;
    for (auto& [stem, number] : stems)
        number = place++;
    std::vector<const BatchPicture*> share;
    for (const BatchPicture& picture : pictures)
        if (stems.at(picture.stem) % shard.count == shard.index)
            share.push_back(&picture);
    return share;
}

// Keeps what a picture's run reports on its own thread, to be shown on the
// main one when the run is over.
class JobReports : public SilentSink {
public:
    struct Line {
        std::string text;   // a message, or the file of an explanation
        std::string reason; // empty for a message
    };

    void ShowMessage(const std::string& text) override
    {
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);)
            lines_.push_back({line, ""});
    }
    void ExplainFailure(const std::string& path, const std::string& reason) override
    {
        lines_.push_back({path, reason});
    }

    const std::vector<Line>& Lines() const { return lines_; }

private:
    std::vector<Line> lines_;
};

// What batch makes of each picture: where its results go and their making.
class BatchWork {
public:
    virtual ~BatchWork() = default;
    // Why the picture is not one this work takes; empty when it is.
    virtual std::string Unsuitable(const BatchPicture& /*picture*/) const { return {}; }
    virtual std::vector<OutputFile> OutputsFor(const std::string& folder, const std::string& stem) const = 0;
    virtual bool Make(const BatchPicture& picture, const std::vector<OutputFile>& outputs, const RunOptions& options,
                      ProgressSink& sink) const = 0;
};

// A whole command on a picture and its depth map, found, made or stored.
class WholeWork : public BatchWork {
public:
    WholeWork(const WholeCommand& whole, DepthSource depths, int format)
        : whole_(whole)
        , depths_(std::move(depths))
        , format_(format)
    {
    }

    std::vector<OutputFile> OutputsFor(const std::string& folder, const std::string& stem) const override
    {
        return whole_.OutputsFor(folder, stem, format_);
    }

    bool Make(const BatchPicture& picture, const std::vector<OutputFile>& outputs, const RunOptions& options,
              ProgressSink& sink) const override
    {
        DepthSource source = depths_;
        source.depth = picture.partner;
        const std::optional<PreparedDepth> depth = PrepareDepth(picture.image, source, options, sink);
        return depth && whole_.Run(picture.image, depth->path, outputs, options, sink);
    }

private:
    const WholeCommand& whole_;
    DepthSource depths_;
    int format_;
};

// Why batch align and depth pass a picture by; empty for a pair: a stereo
// file, or a left eye with the right eye found beside it.
std::string NotAPair(const BatchPicture& picture)
{
    return picture.partner.empty() && !IsStereoFile(picture.image) ? "not a stereo file (MPO, JPS or PNS)" : "";
}

PairSource PairSourceOf(const BatchPicture& picture)
{
    return picture.partner.empty() ? PairSource{picture.image, std::nullopt, "", ""}
                                   : PairSource{"", std::nullopt, picture.image, picture.partner};
}

// align or depth on a pair.
class PairWork : public BatchWork {
public:
    enum class Kind { kAlign, kDepth };

    // align's pairs go on to `result` with the stereo window `windowMargin`
    // pixels behind the nearest matched point; with `rig`, every pair is
    // straightened from the rig's geometry where it fits, weighed against
    // the pair's own alignment, from `own` (by picture) when it is there.
    PairWork(Kind kind, std::string format, PairResult result, double windowMargin, std::optional<RigGeometry> rig,
             std::map<std::string, Alignment> own = {})
        : kind_(kind)
        , format_(std::move(format))
        , result_(std::move(result))
        , windowMargin_(windowMargin)
        , rig_(std::move(rig))
        , own_(std::move(own))
    {
    }

    std::string Unsuitable(const BatchPicture& picture) const override { return NotAPair(picture); }

    // align: STEM.EXT; depth: the aligned left eye STEM.EXT and its depth map
    // STEM-depth.EXT, which batch's other commands take with --depth-suffix -depth.
    std::vector<OutputFile> OutputsFor(const std::string& folder, const std::string& stem) const override
    {
        std::vector<OutputFile> outputs = {{"--out", InFolder(folder, stem + "." + format_), 0}};
        if (kind_ == Kind::kDepth)
            outputs.push_back({"--out", InFolder(folder, stem + kDepthSuffix + "." + format_), 0});
        return outputs;
    }

    bool Make(const BatchPicture& picture, const std::vector<OutputFile>& outputs, const RunOptions& options,
              ProgressSink& sink) const override
    {
        const PairSource source = PairSourceOf(picture);
        const RigGeometry* rig = rig_ ? &*rig_ : nullptr;
        const auto known = own_.find(picture.image);
        const Alignment* own = known == own_.end() ? nullptr : &known->second;
        if (kind_ == Kind::kDepth)
            return MakePairDepth(source, false, outputs[1].path, outputs[0].path, "", options, sink, rig, own);
        const std::optional<AlignedPair> aligned = AlignedOrReport(source, windowMargin_, options, sink, rig, own);
        return aligned && WriteAlignedPair(*aligned, outputs[0].path, "", result_, options, sink);
    }

    static constexpr const char* kDepthSuffix = "-depth";

private:
    Kind kind_;
    std::string format_; // the results' extension
    PairResult result_;
    double windowMargin_;
    std::optional<RigGeometry> rig_;
    std::map<std::string, Alignment> own_;
};

// Each pair's own alignment, with the stereo window `windowMargin` behind
// the nearest point, as a sample of its rig (SampleRig), kept in name order
// so that the rig learnt does not hang on which pair ended first. A pair
// that cannot be read or aligned adds nothing: the run that follows says why.
class RigSampling : public BatchWork {
public:
    explicit RigSampling(double windowMargin)
        : windowMargin_(windowMargin)
    {
    }

    std::vector<OutputFile> OutputsFor(const std::string& /*folder*/, const std::string& /*stem*/) const override
    {
        return {};
    }

    bool Make(const BatchPicture& picture, const std::vector<OutputFile>& /*outputs*/, const RunOptions& options,
              ProgressSink& /*sink*/) const override
    {
        SilentSink quiet;
        try {
            if (const std::optional<PairRead> pair = ReadPairOrReport(PairSourceOf(picture), options, quiet)) {
                auto sample = SampleRig(pair->left.get(), pair->right.get(), windowMargin_);
                if (auto* taken = std::get_if<RigSample>(&sample)) {
                    const std::lock_guard lock(mutex_);
                    samples_.emplace(picture.image, std::move(*taken));
                }
            }
        } catch (const std::exception&) { // out of memory, say: it is told when the pair is made
        }
        return true;
    }

    std::vector<RigSample> Samples() const
    {
        const std::lock_guard lock(mutex_);
        std::vector<RigSample> samples;
        for (const auto& [image, sample] : samples_)
            samples.push_back(sample);
        return samples;
    }

    // Each sampled pair's own alignment, by picture.
    std::map<std::string, Alignment> OwnAlignments() const
    {
        const std::lock_guard lock(mutex_);
        std::map<std::string, Alignment> own;
        for (const auto& [image, sample] : samples_)
            if (sample.own)
                own.emplace(image, *sample.own);
        return own;
    }

private:
    double windowMargin_;
    mutable std::mutex mutex_;
    mutable std::map<std::string, RigSample> samples_; // by picture
};

// What batch align makes of each aligned pair, as align's options say.
struct AlignOptions {
    std::string then;
    std::string layout = "parallel";
    int anaglyphMode = StereoSettings{}.anaglyphMode;
    double margin = 0;
};

// align's --then, --layout, --window-margin and --mode.
void AddAlignOptions(CLI::App& command, AlignOptions& options)
{
    command
        .add_option("--then", options.then,
                    "Go straight on from each aligned pair to a result: anaglyph (with --mode), lcshutter, or sbs "
                    "(a picture of both eyes in --layout), in --format png, jpg, tif or bmp (default: png)")
        ->transform(OneOf({"anaglyph", "lcshutter", "sbs"}))
        ->type_name("RESULT");
    AddAlignedPairOptions(command, options.layout, options.margin);
    AddAnaglyphModeOption(command, options.anaglyphMode);
}

// The results' format: a result of --then is one picture, never a pair's file.
std::string ResultFormat(const std::string& format, bool formatGiven, const AlignOptions& align)
{
    const bool pairFile = format == "mpo" || format == "jps" || format == "pns";
    if (align.then.empty() || !pairFile)
        return format;
    if (formatGiven)
        throw UsageError("--then " + align.then + " makes one picture of each pair: --format png, jpg, tif or bmp");
    return "png";
}

// As many pictures at a time as --jobs says, and no more than there are.
int Workers(const BatchOptions& options, std::size_t pictures)
{
    return std::max(1, std::min<int>(options.jobs, static_cast<int>(pictures)));
}

struct Job {
    const BatchPicture* picture = nullptr;
    std::vector<OutputFile> outputs;
    JobReports reports;
    bool made = false;
};

void RunJob(const BatchWork& work, const RunOptions& options, Job& job)
{
    try {
        std::vector<NamedFile> named;
        for (const OutputFile& output : job.outputs)
            named.push_back({output.option, output.path});
        RefuseSameFiles(named, {{"--images", job.picture->image}, {"--depths", job.picture->partner}});
        job.made = work.Make(*job.picture, job.outputs, options, job.reports);
    } catch (const std::exception& error) { // a UsageError too: it concerns this picture only
        job.reports.ShowMessage(error.what());
        job.made = false;
    }
    if (!job.made && job.reports.Lines().empty())
        job.reports.ShowMessage("failed");
}

// Shows what a failed run reported, each message after its picture's name.
void ShowFailure(const Job& job, ConsoleSink& sink)
{
    for (const JobReports::Line& line : job.reports.Lines()) {
        if (line.reason.empty())
            sink.ShowMessage(job.picture->image + ": " + line.text);
        else
            sink.ExplainFailure(line.text, line.reason);
    }
}

// Runs the jobs on `workers` kept threads, each job's rows shared among the
// threads left to it; this thread shows the progress over the pictures and
// each failure as its run ends. Workers that get no thread leave the jobs
// to the others; with none at all, this thread runs them itself.
void RunJobs(const BatchWork& work, std::vector<Job>& jobs, int workers, const RunOptions& options, ConsoleSink& sink,
             const std::string& status = "Pictures")
{
    std::mutex mutex;
    std::condition_variable jobEnded;
    std::deque<std::size_t> ended;
    std::atomic<std::size_t> next{0};
    RunOptions jobOptions = options;
    jobOptions.threads = std::max(1, options.threads / workers); // the pictures share the cores first
    // Anyone who may write in the output folder could plant a link there:
    // a result replaces the link, never the file it points to.
    jobOptions.replaceLinks = true;
    const auto serve = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < jobs.size();) {
            RunJob(work, jobOptions, jobs[i]);
            std::lock_guard lock(mutex);
            ended.push_back(i);
            jobEnded.notify_one();
        }
    };
    TaskGroup group;
    int started = 0;
    for (int w = 0; w < workers; ++w)
        started += group.Start(serve) ? 1 : 0;
    if (started == 0)
        serve();
    sink.SetStatus(status);
    sink.BeginProgress(static_cast<int>(jobs.size()));
    for (std::size_t shown = 0; shown < jobs.size(); ++shown) {
        std::unique_lock lock(mutex);
        jobEnded.wait(lock, [&] { return !ended.empty(); });
        const std::size_t i = ended.front();
        ended.pop_front();
        lock.unlock();
        if (!jobs[i].made)
            ShowFailure(jobs[i], sink);
        sink.StepProgress();
    }
    group.Wait();
    sink.ResetProgress();
}

// The pictures and depth maps of the whole run, by the files they are (a
// link's own and the file it reaches): an output that is any of them, under
// any name, would be read later or has been read already.
class RunInputs {
public:
    explicit RunInputs(const std::vector<BatchPicture>& pictures)
    {
        for (const BatchPicture& picture : pictures)
            for (const std::string* input : {&picture.image, &picture.partner})
                if (!input->empty() && picture.problem.empty())
                    for (const auto& identity : IdentitiesOf(*input))
                        inputs_.emplace(identity, *input);
    }

    // The input that `path` is, or none.
    const std::string* Input(const std::string& path) const
    {
        for (const auto& identity : IdentitiesOf(path))
            if (const auto found = inputs_.find(identity); found != inputs_.end())
                return &found->second;
        return nullptr;
    }

private:
    using Identity = std::pair<dev_t, ino_t>;

    static std::vector<Identity> IdentitiesOf(const std::string& path)
    {
        std::vector<Identity> identities;
        struct stat info {};
        if (lstat(path.c_str(), &info) == 0)
            identities.emplace_back(info.st_dev, info.st_ino);
        if (stat(path.c_str(), &info) == 0)
            identities.emplace_back(info.st_dev, info.st_ino);
        return identities;
    }

    std::map<Identity, std::string> inputs_;
};

bool IsLink(const std::string& path)
{
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// Why `path`, which is the run's input `input`, is not written.
std::string NeverWrittenOver(const std::string& path, const std::string& input)
{
    return path + (input == path ? "" : " is " + input + ", which") +
           " is an input of this run and is never written over";
}

void MakeOutFolder(const std::string& out)
{
    std::error_code error;
    fs::create_directories(out, error);
    if (error || !fs::is_directory(out))
        throw std::runtime_error(out + ": " + (error ? error.message() : "not a folder"));
}

// The picture of the folder whose result `path` would be, if any: every
// picture's, not only this run's share's.
const BatchPicture* ResultOf(const std::string& path, const BatchWork& work, const std::string& out,
                             const std::vector<BatchPicture>& pictures)
{
    std::error_code ignored;
    const fs::path place = fs::weakly_canonical(fs::absolute(path, ignored), ignored);
    for (const BatchPicture& picture : pictures)
        for (const OutputFile& output : work.OutputsFor(out, picture.stem))
            if (fs::weakly_canonical(fs::absolute(output.path, ignored), ignored) == place)
                return &picture;
    return nullptr;
}

// The pictures of the folder, each with the file found beside it (a depth
// map, a right eye) unless none is looked for; --shard is checked first.
std::vector<BatchPicture> PicturesOfRun(const BatchOptions& options, const DepthMapPlace& partners)
{
    (void)ShardOf(options.shard);
    return FindBatchPictures(options.images, partners);
}

// The work on each picture of the run's share (PicturesOfRun).
int RunBatch(const BatchWork& work, const BatchOptions& options, const std::vector<BatchPicture>& pictures,
             const RunOptions& runOptions, ConsoleSink& sink)
{
    const Shard shard = ShardOf(options.shard);
    MakeOutFolder(options.out);

    const RunInputs inputs(pictures);
    std::vector<Job> jobs;
    jobs.reserve(pictures.size());
    std::set<std::string> claimed; // outputs of the pictures before
    int skipped = 0;
    int failed = 0;
    for (const BatchPicture* share : ShareOf(pictures, shard)) {
        const BatchPicture& picture = *share;
        const std::string problem = picture.problem.empty() ? work.Unsuitable(picture) : picture.problem;
        if (!problem.empty()) {
            sink.ShowNote(picture.image + ": skipped, " + problem);
            ++skipped;
            continue;
        }
        const std::vector<OutputFile> outputs = work.OutputsFor(options.out, picture.stem);
        const auto clash = std::find_if(outputs.begin(), outputs.end(),
                                        [&](const OutputFile& output) { return claimed.count(output.path) > 0; });
        if (clash != outputs.end()) {
            sink.ShowMessage(picture.image + ": a picture before it of the same name writes " + clash->path);
            ++failed;
            continue;
        }
        for (const OutputFile& output : outputs)
            claimed.insert(output.path);
        const auto input = std::find_if(outputs.begin(), outputs.end(),
                                        [&](const OutputFile& output) { return inputs.Input(output.path); });
        if (input != outputs.end()) {
            sink.ShowMessage(picture.image + ": not made, " +
                             NeverWrittenOver(input->path, *inputs.Input(input->path)));
            ++failed;
            continue;
        }
        const auto present = [](const OutputFile& output) {
            std::error_code ignored;
            return fs::exists(fs::symlink_status(output.path, ignored));
        };
        // Outputs are written whole or not at all: all present, the picture
        // was made; some, an earlier run stopped part way, and it is made again.
        if (options.resume && std::all_of(outputs.begin(), outputs.end(), present)) {
            ++skipped;
            continue;
        }
        const auto existing = std::find_if(outputs.begin(), outputs.end(), present);
        if (existing != outputs.end() && !options.overwrite && !options.resume) {
            sink.ShowNote(picture.image + ": skipped, " + existing->path +
                          (IsLink(existing->path) ? " is a symbolic link (--overwrite replaces the link itself)"
                                                  : " exists (--overwrite replaces it)"));
            ++skipped;
            continue;
        }
        jobs.push_back({&picture, outputs, {}, false});
    }

    RunJobs(work, jobs, Workers(options, jobs.size()), runOptions, sink);
    const auto made = std::count_if(jobs.begin(), jobs.end(), [](const Job& job) { return job.made; });
    failed += static_cast<int>(jobs.size() - made);
    std::cout << made << " made, " << failed << " failed, " << skipped << " skipped" << std::endl;
    return failed > 0 ? kFailed : kSucceeded;
}

// The rig batch align and depth straighten from: learnt (--one-rig, and
// saved with --save-rig), read (--rig), or none.
struct RigOptions {
    bool learn = false;
    std::string save;
    std::string file;
};

struct RigOfRun {
    std::optional<RigGeometry> geometry;
    std::map<std::string, Alignment> own; // each pair's own alignment, by picture, when learnt
    bool saved = true; // false when --save-rig could not be done: the run fails once its pairs are made
};

// The geometry of the rig that took the pairs of the folder, learnt from
// all of them (not only this run's share, so that every machine of a
// sharded run learns the same one) with each pair's own alignment, at the
// stereo window `windowMargin` behind its nearest point; said on the
// console. No geometry when no two pairs agree on one.
void LearnRig(const BatchOptions& options, const std::vector<BatchPicture>& pictures, double windowMargin,
              const RunOptions& runOptions, ConsoleSink& sink, RigOfRun& rig)
{
    std::vector<Job> jobs;
    for (const BatchPicture& picture : pictures)
        if (picture.problem.empty() && NotAPair(picture).empty())
            jobs.push_back({&picture, {}, {}, false});
    const RigSampling sampling(windowMargin);
    RunJobs(sampling, jobs, Workers(options, jobs.size()), runOptions, sink, "Learning the rig");
    const std::vector<RigSample> samples = sampling.Samples();
    rig.geometry = CommonRig(samples);
    rig.own = sampling.OwnAlignments();
    if (!rig.geometry)
        sink.ShowNote("no two pairs agree on one rig's geometry: each pair is aligned on its own");
    else
        sink.ShowNote("the rig's geometry, agreed on by " + std::to_string(rig.geometry->pairs) + " of the " +
                      std::to_string(samples.size()) + " pairs aligned on their own: " +
                      (rig.geometry->lens == 0 ? std::string("no lens bending")
                                               : "lens bending k = " + Fixed(rig.geometry->lens, 3)) +
                      "; each pair it fits is straightened from it");
}

// None, after the message, when the run cannot begin: --rig unreadable or
// naming a result of the folder's pictures, as `work` names them, or
// --save-rig naming one of the pictures or a result. --out is made before
// the rig is learnt, so that the rig may be saved there.
std::optional<RigOfRun> RigOfRunOrReport(const RigOptions& rigOptions, const BatchOptions& options,
                                         const std::vector<BatchPicture>& pictures, const BatchWork& work,
                                         double windowMargin, const RunOptions& runOptions, ConsoleSink& sink)
{
    RigOfRun rig;
    if (!ReadRigOption(rigOptions.file, rig.geometry, sink))
        return std::nullopt;
    // The rig read, like the one saved, is never a result of the run.
    for (const auto& [option, path] : {std::pair{"--rig", rigOptions.file}, {"--save-rig", rigOptions.save}})
        if (const BatchPicture* picture = path.empty() ? nullptr : ResultOf(path, work, options.out, pictures)) {
            sink.ShowMessage(std::string(option) + " " + path + " is where the result of " + picture->image +
                             " goes: choose another name");
            return std::nullopt;
        }
    if (!rigOptions.learn)
        return rig;
    if (!rigOptions.save.empty()) {
        if (const std::string* input = RunInputs(pictures).Input(rigOptions.save)) {
            sink.ShowMessage("--save-rig " + NeverWrittenOver(rigOptions.save, *input));
            return std::nullopt;
        }
    }
    MakeOutFolder(options.out);
    LearnRig(options, pictures, windowMargin, runOptions, sink, rig);
    if (!rigOptions.save.empty()) {
        if (!rig.geometry) {
            sink.ShowMessage("no rig to save: " + rigOptions.save + " is not written");
            rig.saved = false;
        } else {
            rig.saved = SaveRigOrReport(*rig.geometry, rigOptions.save, runOptions, sink);
        }
    }
    return rig;
}

} // namespace

// --jobs, --overwrite, --resume and --shard, of every batch command; `items`
// names what it makes ("Pictures").
void AddRunOptions(CLI::App& command, BatchOptions& options, const std::string& items)
{
    command
        .add_option("--jobs", options.jobs,
                    items + " made at a time (default: the processor's cores, " + std::to_string(options.jobs) +
                        " here)")
        ->type_name("N")
        ->check(CLI::Range(1, 1024));
    CLI::Option* overwrite = command.add_flag("--overwrite", options.overwrite, "Replace results that exist");
    command
        .add_flag("--resume", options.resume,
                  "Go on after an earlier run: skip, without a note, the pictures whose results all exist (each is "
                  "written whole or not at all), and make again those with only some")
        ->excludes(overwrite);
    command
        .add_option("--shard", options.shard,
                    "Make only the K-th of N shares of the pictures (K from 0), dealt out by name so that N runs on "
                    "any machines share the folder between them")
        ->type_name("K/N");
}

// batch align and batch depth, over the stereo files of a folder or its
// left eyes with the right ones beside them.
void AddPairBatches(CLI::App& batch, CommandTable& commands, RunOptions& runOptions)
{
    for (const auto& [name, kind, summary, fallback] :
         {std::tuple{"align", PairWork::Kind::kAlign, "Straighten every stereo pair of a folder", "mpo"},
          {"depth", PairWork::Kind::kDepth, "Make the depth map of every stereo pair of a folder", "png"}}) {
        auto options = std::make_shared<BatchOptions>();
        options->format = fallback;
        CLI::App* command = batch.add_subcommand(name, summary);
        command->footer(std::string("Every stereo file of --images (MPO, JPS, PNS), or with --right-suffix every left "
                                    "eye and the right eye beside it, as 'velmora-cli ") +
                        name + "' makes one (see its --help), into --out with the picture's name: " +
                        (kind == PairWork::Kind::kAlign
                             ? "STEM.mpo, .jps, .pns or a picture of both eyes in --layout, by --format; with --then, "
                               "the anaglyph, LC-shutter image or picture of both eyes it goes on to."
                             : "the aligned left eye STEM.EXT and its depth map STEM-depth.EXT, ready for "
                               "'batch anaglyph --images OUT --depth-suffix -depth'.") +
                        "\n" + kInputNote);
        command->add_option("--images", options->images, "Folder of the pairs")->required()->type_name("DIR");
        command
            ->add_option("--right-suffix", options->depthSuffix,
                         "The pictures are left eyes, each with its right eye beside it named STEM + SUFFIX "
                         "(shot.jpg: shot-right.jpg with -right)")
            ->type_name("SUFFIX");
        command->add_option("--out", options->out, "Folder of the results, made when missing")
            ->required()
            ->type_name("DIR");
        const std::vector<std::string> formats = kind == PairWork::Kind::kAlign
            ? std::vector<std::string>{"mpo", "jps", "pns", "png", "jpg", "tif", "bmp"}
            : std::vector<std::string>{"png", "jpg", "tif", "bmp"};
        command->add_option("--format", options->format, std::string("The results' format (default: ") + fallback + ")")
            ->transform(OneOf(formats))
            ->type_name("F");
        command->add_option("--quality", runOptions.jpegQuality, "JPEG quality, 1 to 100")
            ->type_name("Q")
            ->check(CLI::Range(1, 100));
        AddRunOptions(*command, *options, "Pairs");
        auto align = std::make_shared<AlignOptions>();
        if (kind == PairWork::Kind::kAlign)
            AddAlignOptions(*command, *align);
        auto rigOptions = std::make_shared<RigOptions>();
        CLI::Option* oneRig = command->add_flag(
            "--one-rig", rigOptions->learn,
            "The pairs all come from one rig (a two-lens camera, two cameras fixed side by side): its lens and "
            "keystone are learnt from all of them first, then each pair is straightened from them, so that a "
            "pattern filling one pair's frame cannot mislead it. A pair the rig's geometry does not fit is aligned "
            "on its own");
        command
            ->add_option("--save-rig", rigOptions->save,
                         "Save the rig's geometry learnt by --one-rig to FILE, for later pairs of the rig (--rig)")
            ->type_name("FILE")
            ->needs(oneRig);
        AddRigOption(*command, rigOptions->file)->excludes(oneRig);
        const CLI::Option* formatGiven = command->get_option("--format");
        commands[command] = [kind = kind, options, align, rigOptions, formatGiven](ConsoleSink& sink,
                                                                                   const RunOptions& run) {
            const std::string format = ResultFormat(options->format, formatGiven->count() > 0, *align);
            const PairResult result{align->then, LayoutNamed(align->layout).value(), align->anaglyphMode};
            const std::vector<BatchPicture> pictures =
                PicturesOfRun(*options, {"", options->depthSuffix, options->depthSuffix.empty()});
            // The own alignments kept from learning the rig must be at the
            // margin the pairs are made with: depth makes its pairs at 0.
            const double margin = kind == PairWork::Kind::kAlign ? align->margin : 0;
            const PairWork naming(kind, format, result, margin, std::nullopt);
            const std::optional<RigOfRun> rig =
                RigOfRunOrReport(*rigOptions, *options, pictures, naming, margin, run, sink);
            if (!rig)
                return int(kFailed);
            const PairWork work(kind, format, result, margin, rig->geometry, rig->own);
            const int status = RunBatch(work, *options, pictures, run, sink);
            return rig->saved ? status : int(kFailed);
        };
    }
}

void AddBatchCommand(CLI::App& app, CommandTable& table, RunOptions& runOptions)
{
    CLI::App* batch = app.add_subcommand(
        "batch", "Run anaglyph, lcshutter, sbs, pair, views, align or depth on a folder of pictures");
    batch->require_subcommand(1);
    batch->footer("Every picture of --images that has a depth map is made into --out/STEM.EXT (pair: STEM-left and "
                  "STEM-right; views: STEM-00, STEM-01...), the extension from --format. The depth maps are found "
                  "with --depths or --depth-suffix, made by --depth-model, or, with none of these, the ones the "
                  "photographs store (phone portraits). Several pictures are made "
                  "at a time; a picture that fails does not stop the others. Outputs that exist are skipped unless "
                  "--overwrite. Ends with the count of pictures made, failed and skipped; exit status 1 when any "
                  "failed.");
    auto commands = std::make_shared<CommandTable>();
    for (const WholeCommandKind& kind : WholeCommandKinds()) {
        auto options = std::make_shared<BatchOptions>();
        std::shared_ptr<WholeCommand> whole = kind.make();
        CLI::App* command = batch->add_subcommand(kind.name, kind.summary);
        command->footer("Makes for every picture what 'velmora-cli " + kind.name + "' makes for one (see its --help), "
                        "into --out with the picture's name.\n" + kInputNote);
        command->add_option("--images", options->images, "Folder of the pictures")->required()->type_name("DIR");
        CLI::Option* depths =
            command->add_option("--depths", options->depths, "Folder of the depth maps, each named as its picture")
                ->type_name("DIR");
        command
            ->add_option("--depth-suffix", options->depthSuffix,
                         "The depth maps lie beside the pictures, named STEM + SUFFIX (photo.jpg: photo-depth.png "
                         "with -depth)")
            ->type_name("SUFFIX")
            ->excludes(depths);
        AddModelOptions(*command, options->model, "--depth-model");
        command->get_option("--depth-model")->excludes(depths)->excludes("--depth-suffix");
        AddDepthFitOption(*command, options->depthFit);
        command->add_option("--out", options->out, "Folder of the results, made when missing")
            ->required()
            ->type_name("DIR");
        AddFormatOptions(*command, options->format, "png", runOptions.jpegQuality);
        AddRunOptions(*command, *options, "Pictures");
        whole->AddOptions(*command);
        (*commands)[command] = [whole, options](ConsoleSink& sink, const RunOptions& run) {
            // Without a folder or suffix of depth maps, each comes from the
            // network or, failing that, from the photograph itself.
            if (!options->model.model.empty())
                (void)EstimatorOptionsOf(options->model); // its usage errors before any picture
            const WholeWork work(*whole, DepthSource{"", options->model, options->depthFit},
                                 SaveFormatNamed(options->format).value());
            const bool mapsMade = options->depths.empty() && options->depthSuffix.empty();
            return RunBatch(work, *options, PicturesOfRun(*options, {options->depths, options->depthSuffix, mapsMade}),
                            run, sink);
        };
    }
    AddPairBatches(*batch, *commands, runOptions);
    table[batch] = [batch, commands](ConsoleSink& sink, const RunOptions& runOptions) {
        return commands->at(batch->get_subcommands().front())(sink, runOptions);
    };
}

} // namespace velmora::cli
