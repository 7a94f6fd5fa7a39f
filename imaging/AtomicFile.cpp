#include "imaging/AtomicFile.h"

#include "imaging/FileHandles.h"
#include "imaging/SystemCalls.h"
#include "imaging/WrittenFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <vector>

namespace velmora {
namespace {

namespace fs = std::filesystem;

// Temporary files not yet renamed into place, for RemoveUnfinishedFiles.
struct Unfinished {
    std::mutex mutex;
    std::set<std::string> paths;
    bool stopping = false;
};

Unfinished& UnfinishedFiles()
{
    static Unfinished unfinished;
    return unfinished;
}

FileStatus Unwritable(int error)
{
    return Failure(FileProblem::kUnwritable, std::strerror(error));
}

// The permissions a newly created file gets: 0666 less the umask, read
// without changing it (umask() would, for every thread at once).
mode_t NewFileMode()
{
    static const mode_t mode = [] {
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("Umask:", 0) == 0)
                return static_cast<mode_t>(0666 & ~std::strtoul(line.c_str() + 6, nullptr, 8));
        return static_cast<mode_t>(0644);
    }();
    return mode;
}

// The file a write really replaces: links followed, so that a link to the
// user's file stays a link; a missing target is named as given.
std::string ResolvedTarget(const std::string& target)
{
    std::error_code error;
    const fs::path resolved = fs::weakly_canonical(fs::absolute(target, error), error);
    return error ? fs::absolute(target, error).string() : resolved.string();
}

// ".name.XXXXXX" beside the target: hidden, and short enough for any name.
std::string TemporaryPattern(const fs::path& target)
{
    std::string name = target.filename().string().substr(0, 200);
    return (target.parent_path() / ("." + name + ".XXXXXX")).string();
}

} // namespace

AtomicFile::AtomicFile(const std::string& target) : target_(ResolvedTarget(target))
{
    struct stat existing {};
    mode_t mode = NewFileMode();
    if (stat(target_.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) {
            status_ = Unwritable(EISDIR);
            return;
        }
        if (!S_ISREG(existing.st_mode)) {
            status_ = Failure(FileProblem::kUnwritable, reasons::kNotRegularFile);
            return;
        }
        mode = existing.st_mode & 0777;
    }
    Unfinished& unfinished = UnfinishedFiles();
    std::lock_guard lock(unfinished.mutex);
    if (unfinished.stopping) {
        status_ = Unwritable(ECANCELED);
        return;
    }
    std::string pattern = TemporaryPattern(target_);
    descriptor_ = mkostemp(pattern.data(), O_CLOEXEC);
    if (descriptor_ < 0) {
        status_ = Unwritable(errno);
        return;
    }
    temporary_ = pattern;
    unfinished.paths.insert(temporary_);
    if (fchmod(descriptor_, mode) != 0) {
        status_ = Unwritable(errno);
        Discard();
    }
}

AtomicFile::~AtomicFile()
{
    Unfinished& unfinished = UnfinishedFiles();
    std::lock_guard lock(unfinished.mutex);
    Discard();
}

void AtomicFile::Discard()
{
    if (descriptor_ >= 0)
        ActiveSystemCalls().close(descriptor_);
    descriptor_ = -1;
    if (!temporary_.empty()) {
        unlink(temporary_.c_str());
        UnfinishedFiles().paths.erase(temporary_);
        temporary_.clear();
    }
}

FileStatus AtomicFile::Commit()
{
    if (!status_)
        return status_;
    Unfinished& unfinished = UnfinishedFiles();
    std::lock_guard lock(unfinished.mutex);
    struct stat written {};
    const SystemCalls& calls = ActiveSystemCalls();
    if (calls.fsync(descriptor_) != 0 || fstat(descriptor_, &written) != 0) {
        status_ = Unwritable(errno);
        Discard();
        return status_;
    }
    const int closed = calls.close(descriptor_);
    descriptor_ = -1;
    if (closed != 0 || unfinished.stopping || calls.rename(temporary_.c_str(), target_.c_str()) != 0) {
        status_ = Unwritable(unfinished.stopping ? ECANCELED : errno);
        Discard();
        return status_;
    }
    unfinished.paths.erase(temporary_);
    temporary_.clear();
    // The rename reaches the disk with its folder's next flush; a failure
    // here cannot be undone and loses nothing that was there before.
    if (const int folder = open(fs::path(target_).parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        folder >= 0) {
        fsync(folder);
        close(folder);
    }
    RecordWrittenFile(target_, written);
    return status_;
}

FileStatus CopyReplacing(const std::string& source, const std::string& target)
{
    const int input = open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (input < 0)
        return Failure(FileProblem::kUnreadable, std::strerror(errno));
    struct stat info {};
    if (fstat(input, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(input);
        return Failure(FileProblem::kUnreadable, reasons::kNotRegularFile);
    }
    AtomicFile file(target);
    CheckedWriter writer(file.Descriptor());
    FreeImageIO io = CheckedWriter::IO();
    std::vector<char> buffer(1 << 20);
    ssize_t got = 0;
    while (file.Status() && (got = read(input, buffer.data(), buffer.size())) > 0)
        io.write_proc(buffer.data(), 1, static_cast<unsigned>(got), writer.Handle());
    const int readError = got < 0 ? errno : 0;
    close(input);
    if (!file.Status())
        return file.Status();
    if (readError != 0)
        return Failure(FileProblem::kUnreadable, std::strerror(readError));
    if (!writer.Flush())
        return Unwritable(writer.Error());
    return file.Commit();
}

void RemoveUnfinishedFiles()
{
    Unfinished& unfinished = UnfinishedFiles();
    std::lock_guard lock(unfinished.mutex);
    unfinished.stopping = true;
    for (const std::string& path : unfinished.paths)
        unlink(path.c_str());
    unfinished.paths.clear();
}

} // namespace velmora
