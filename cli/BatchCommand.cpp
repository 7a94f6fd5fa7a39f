// SPDX-License-Identifier: GPL-3.0-or-later

// batch: one whole command for every picture of a folder, several pictures
// at a time.

#include "cli/BatchPictures.h"
#include "cli/DepthSource.h"
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
};

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

struct Job {
    const BatchPicture* picture = nullptr;
    std::vector<OutputFile> outputs;
    JobReports reports;
    bool made = false;
};

void RunJob(const WholeCommand& whole, const DepthSource& depths, const RunOptions& options, Job& job)
{
    try {
        std::vector<NamedFile> named;
        for (const OutputFile& output : job.outputs)
            named.push_back({output.option, output.path});
        RefuseSameFiles(named, {{"--images", job.picture->image}, {"--depths", job.picture->depth}});
        DepthSource source = depths;
        source.depth = job.picture->depth;
        const std::optional<PreparedDepth> depth = PrepareDepth(job.picture->image, source, options, job.reports);
        job.made = depth && whole.Run(job.picture->image, depth->path, job.outputs, options, job.reports);
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
void RunJobs(const WholeCommand& whole, const DepthSource& depths, std::vector<Job>& jobs, int workers,
             const RunOptions& options, ConsoleSink& sink)
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
    const auto work = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < jobs.size();) {
            RunJob(whole, depths, jobOptions, jobs[i]);
            std::lock_guard lock(mutex);
            ended.push_back(i);
            jobEnded.notify_one();
        }
    };
    TaskGroup group;
    int started = 0;
    for (int w = 0; w < workers; ++w)
        started += group.Start(work) ? 1 : 0;
    if (started == 0)
        work();
    sink.SetStatus("Pictures");
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
            for (const std::string* input : {&picture.image, &picture.depth})
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

int RunBatch(const WholeCommand& whole, const BatchOptions& options, const RunOptions& runOptions, ConsoleSink& sink)
{
    // Without a folder or suffix of depth maps, each comes from the network
    // or, failing that, from the photograph itself.
    const bool estimated = !options.model.model.empty();
    const bool mapsMade = options.depths.empty() && options.depthSuffix.empty();
    const DepthSource depths{"", options.model, options.depthFit};
    if (estimated)
        (void)EstimatorOptionsOf(options.model); // its usage errors before any picture
    const int format = SaveFormatNamed(options.format).value();
    const std::vector<BatchPicture> pictures =
        FindBatchPictures(options.images, {options.depths, options.depthSuffix, mapsMade});
    std::error_code error;
    fs::create_directories(options.out, error);
    if (error || !fs::is_directory(options.out))
        throw std::runtime_error(options.out + ": " + (error ? error.message() : "not a folder"));

    const RunInputs inputs(pictures);
    std::vector<Job> jobs;
    jobs.reserve(pictures.size());
    std::set<std::string> claimed; // outputs of the pictures before
    int skipped = 0;
    int failed = 0;
    for (const BatchPicture& picture : pictures) {
        if (!picture.problem.empty()) {
            sink.ShowNote(picture.image + ": skipped, " + picture.problem);
            ++skipped;
            continue;
        }
        const std::vector<OutputFile> outputs = whole.OutputsFor(options.out, picture.stem, format);
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
            const std::string& which = *inputs.Input(input->path);
            sink.ShowMessage(picture.image + ": not made, " + input->path +
                             (which == input->path ? "" : " is " + which + ", which") +
                             " is an input of this run and is never written over");
            ++failed;
            continue;
        }
        const auto existing = std::find_if(outputs.begin(), outputs.end(), [](const OutputFile& output) {
            std::error_code ignored;
            return fs::exists(fs::symlink_status(output.path, ignored));
        });
        if (existing != outputs.end() && !options.overwrite) {
            sink.ShowNote(picture.image + ": skipped, " + existing->path +
                          (IsLink(existing->path) ? " is a symbolic link (--overwrite replaces the link itself)"
                                                  : " exists (--overwrite replaces it)"));
            ++skipped;
            continue;
        }
        jobs.push_back({&picture, outputs, {}, false});
    }

    const int workers = std::max(1, std::min<int>(options.jobs, static_cast<int>(jobs.size())));
    RunJobs(whole, depths, jobs, workers, runOptions, sink);
    const auto made = std::count_if(jobs.begin(), jobs.end(), [](const Job& job) { return job.made; });
    failed += static_cast<int>(jobs.size() - made);
    std::cout << made << " made, " << failed << " failed, " << skipped << " skipped" << std::endl;
    return failed > 0 ? kFailed : kSucceeded;
}

} // namespace

void AddBatchCommand(CLI::App& app, CommandTable& table, RunOptions& runOptions)
{
    CLI::App* batch =
        app.add_subcommand("batch", "Run anaglyph, lcshutter, sbs, pair or views on a folder of pictures");
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
        command
            ->add_option("--jobs", options->jobs,
                         "Pictures made at a time (default: the processor's cores, " + std::to_string(options->jobs) +
                             " here)")
            ->type_name("N")
            ->check(CLI::Range(1, 1024));
        command->add_flag("--overwrite", options->overwrite, "Replace results that exist");
        whole->AddOptions(*command);
        (*commands)[command] = [whole, options](ConsoleSink& sink, const RunOptions& run) {
            return RunBatch(*whole, *options, run, sink);
        };
    }
    table[batch] = [batch, commands](ConsoleSink& sink, const RunOptions& runOptions) {
        return commands->at(batch->get_subcommands().front())(sink, runOptions);
    };
}

} // namespace velmora::cli
