// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/files/WrittenFiles.h"

#include "imaging/files/FilePaths.h"

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
    bool result = false;
};

struct Ledger {
    std::mutex mutex;
    std::vector<WrittenFile> files;
};

// One ledger per process: the files the process wrote are the process's,
// whichever window, command or thread wrote them, and only those may be
// deleted as its temporaries.
Ledger& TheLedger()
{
    static Ledger ledger;
    return ledger;
}


bool Same(const WrittenFile& file, const struct stat& now)
{
    return file.device == now.st_dev && file.inode == now.st_ino && file.size == now.st_size &&
           file.modified.tv_sec == now.st_mtim.tv_sec && file.modified.tv_nsec == now.st_mtim.tv_nsec;
}

// Our record of `name` while the file is still as we wrote it, if any.
template <typename Use>
bool WithRecordOf(const std::string& name, Use use)
{
    struct stat now {};
    if (lstat(name.c_str(), &now) != 0 || !S_ISREG(now.st_mode))
        return false;
    const fs::path path = ResolvedPath(name);
    Ledger& ledger = TheLedger();
    std::lock_guard lock(ledger.mutex);
    const auto record = std::find_if(ledger.files.begin(), ledger.files.end(),
                                     [&](const WrittenFile& file) { return file.path == path && Same(file, now); });
    return record != ledger.files.end() && use(*record);
}

} // namespace

void RecordWrittenFile(const std::string& absolutePath, const struct stat& written)
{
    Ledger& ledger = TheLedger();
    std::lock_guard lock(ledger.mutex);
    const fs::path path = ResolvedPath(absolutePath);
    std::erase_if(ledger.files, [&](const WrittenFile& file) { return file.path == path; });
    ledger.files.push_back({path, written.st_dev, written.st_ino, written.st_size, written.st_mtim});
}

void KeepAsResult(const std::string& name)
{
    WithRecordOf(name, [](WrittenFile& file) { return file.result = true; });
}

bool StillAsWritten(const std::string& name)
{
    return WithRecordOf(name, [](const WrittenFile&) { return true; });
}

bool IsOurTemporaryFile(const std::string& name)
{
    return WithRecordOf(name, [](const WrittenFile& file) { return !file.result; });
}

std::vector<std::string> TemporaryFilesIn(const std::string& folder,
                                          const std::function<bool(const std::string& fileName)>& matches)
{
    Ledger& ledger = TheLedger();
    std::lock_guard lock(ledger.mutex);
    const fs::path where = ResolvedPath(folder);
    std::vector<std::string> found;
    for (const WrittenFile& file : ledger.files)
        if (!file.result && file.path.parent_path() == where && matches(file.path.filename().string()))
            found.push_back(file.path.string());
    return found;
}

void ForgetWrittenFile(const std::string& name)
{
    Ledger& ledger = TheLedger();
    std::lock_guard lock(ledger.mutex);
    const fs::path path = ResolvedPath(name);
    std::erase_if(ledger.files, [&](const WrittenFile& file) { return file.path == path; });
}

} // namespace velmora
