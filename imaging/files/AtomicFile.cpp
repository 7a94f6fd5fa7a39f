// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/files/AtomicFile.h"

#include "imaging/files/FileHandles.h"
#include "imaging/files/FilePaths.h"
#include "imaging/files/PrivateFolder.h"
#include "imaging/files/StopRegistry.h"
#include "imaging/files/SystemCalls.h"
#include "imaging/files/WrittenFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <mutex>
#include <utility>

namespace velmora {
namespace {

namespace fs = std::filesystem;

using Unfinished = StopRegistry<std::string>;

// Temporary files not yet renamed into place, for RemoveUnfinishedFiles.
Unfinished& UnfinishedFiles()
{
    static Unfinished& unfinished = Unfinished::Leaked();
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
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(0666 & ~std::strtoul(line.c_str() + 6, nullptr, 8));
    return 0644;
}

// The name as an absolute path, its last part taken as it is, link or not.
std::string WithoutFollowingTheName(const std::string& name)
{
    std::error_code error;
    const fs::path absolute = fs::absolute(name, error);
    return error ? name : absolute.string();
}

// ".name.XXXXXX" beside the target: hidden, and short enough for any name.
std::string TemporaryPattern(const fs::path& target)
{
    std::string name = target.filename().string().substr(0, 200);
    return (target.parent_path() / ("." + name + ".XXXXXX")).string();
}

// The rename reaches the disk with its folder's next flush. A failure here
// cannot be undone, and loses nothing that was there before.
void FlushFolder(const fs::path& folder)
{
    const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        fsync(descriptor);
        close(descriptor);
    }
}

} // namespace

AtomicFile::AtomicFile(const std::string& target, Links links)
    : target_(links == Links::kFollow ? WriteTarget(target) : WithoutFollowingTheName(target)),
      durable_(!InPrivateFolder(target_))
{
    struct stat existing {};
    mode_t mode = NewFileMode();
    const bool found =
        (links == Links::kFollow ? stat(target_.c_str(), &existing) : lstat(target_.c_str(), &existing)) == 0;
    if (found && !S_ISLNK(existing.st_mode)) {
        if (S_ISDIR(existing.st_mode)) {
            status_ = Unwritable(EISDIR);
            return;
        }
        if (!S_ISREG(existing.st_mode)) {
            status_ = Failure(FileProblem::kUnwritable, reasons::kNotRegularFile);
            return;
        }
        // Renaming needs only the folder's permission; a file its owner made
        // read-only is refused as writing into it would be.
        if (faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) {
            status_ = Unwritable(errno);
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
    // Best effort: some file systems keep permissions of their own.
    fchmod(descriptor_, mode);
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
    const SystemCalls& calls = ActiveSystemCalls();
    struct stat written {};
    // Flushed and closed outside the lock, which a stopping process needs.
    if ((durable_ && calls.fsync(descriptor_) != 0) || fstat(descriptor_, &written) != 0) {
        status_ = Unwritable(errno);
    } else if (calls.close(std::exchange(descriptor_, -1)) != 0) {
        status_ = Unwritable(errno);
    }
    Unfinished& unfinished = UnfinishedFiles();
    std::lock_guard lock(unfinished.mutex);
    if (status_ && (unfinished.stopping || calls.rename(temporary_.c_str(), target_.c_str()) != 0))
        status_ = Unwritable(unfinished.stopping ? ECANCELED : errno);
    if (!status_) {
        Discard();
        return status_;
    }
    unfinished.paths.erase(temporary_);
    temporary_.clear();
    if (durable_)
        FlushFolder(fs::path(target_).parent_path());
    RecordWrittenFile(target_, written);
    return status_;
}

FileStatus WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes, AtomicFile::Links links)
{
    if (bytes.size() > std::numeric_limits<unsigned>::max())
        return Unwritable(EFBIG);
    AtomicFile file(path, links);
    if (!file.Status())
        return file.Status();
    CheckedWriter writer(file.Descriptor());
    FreeImageIO io = CheckedWriter::IO();
    io.write_proc(const_cast<std::uint8_t*>(bytes.data()), 1, static_cast<unsigned>(bytes.size()), writer.Handle());
    if (!writer.Flush())
        return Unwritable(writer.Error());
    return file.Commit();
}

void RemoveUnfinishedFiles()
{
    UnfinishedFiles().StopAndRemove([](const std::string& path) { unlink(path.c_str()); });
}

} // namespace velmora
