#include "imaging/WrittenFiles.h"

#include <algorithm>
#include <filesystem>
#include <mutex>

namespace velmora {
namespace {

namespace fs = std::filesystem;

struct WrittenFile {
    fs::path path;
    dev_t device;
    ino_t inode;
    off_t size;
    timespec modified;
};

struct Ledger {
    std::mutex mutex;
    std::vector<WrittenFile> files;
};

Ledger& TheLedger()
{
    static Ledger ledger;
    return ledger;
}

// Links resolved, as the writes record their targets.
fs::path Resolved(const std::string& name)
{
    std::error_code error;
    const fs::path resolved = fs::weakly_canonical(fs::absolute(name, error), error);
    return error ? fs::absolute(name, error).lexically_normal() : resolved;
}

bool Same(const WrittenFile& file, const struct stat& now)
{
    return file.device == now.st_dev && file.inode == now.st_ino && file.size == now.st_size &&
           file.modified.tv_sec == now.st_mtim.tv_sec && file.modified.tv_nsec == now.st_mtim.tv_nsec;
}

} // namespace

void RecordWrittenFile(const std::string& absolutePath, const struct stat& written)
{
    Ledger& ledger = TheLedger();
    std::lock_guard lock(ledger.mutex);
    const fs::path path = Resolved(absolutePath);
    std::erase_if(ledger.files, [&](const WrittenFile& file) { return file.path == path; });
    ledger.files.push_back({path, written.st_dev, written.st_ino, written.st_size, written.st_mtim});
}

bool StillAsWritten(const std::string& name)
{
    struct stat now {};
    if (lstat(name.c_str(), &now) != 0 || !S_ISREG(now.st_mode))
        return false;
    Ledger& ledger = TheLedger();
    std::lock_guard lock(ledger.mutex);
    return std::any_of(ledger.files.begin(), ledger.files.end(),
                       [&](const WrittenFile& file) { return Same(file, now); });
}

std::vector<std::string> WrittenFilesIn(const std::string& folder,
                                        const std::function<bool(const std::string& fileName)>& matches)
{
    Ledger& ledger = TheLedger();
    std::lock_guard lock(ledger.mutex);
    const fs::path where = Resolved(folder);
    std::vector<std::string> found;
    for (const WrittenFile& file : ledger.files)
        if (file.path.parent_path() == where && matches(file.path.filename().string()))
            found.push_back(file.path.string());
    return found;
}

void ForgetWrittenFile(const std::string& name)
{
    Ledger& ledger = TheLedger();
    std::lock_guard lock(ledger.mutex);
    const fs::path path = Resolved(name);
    std::erase_if(ledger.files, [&](const WrittenFile& file) { return file.path == path; });
}

} // namespace velmora
