#include "cli/PrivateFolder.h"

#include <stdlib.h>

#include <mutex>
#include <set>
#include <stdexcept>

namespace velmora::cli {
namespace {

struct Folders {
    std::mutex mutex;
    std::set<std::filesystem::path> paths;
    bool stopping = false;
};

Folders& LiveFolders()
{
    static Folders folders;
    return folders;
}

} // namespace

PrivateFolder::PrivateFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "velmora-XXXXXX").string();
    Folders& folders = LiveFolders();
    std::lock_guard lock(folders.mutex);
    if (folders.stopping || mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder in " +
                                 std::filesystem::temp_directory_path().string());
    folder_ = pattern;
    folders.paths.insert(folder_);
}

PrivateFolder::~PrivateFolder()
{
    Folders& folders = LiveFolders();
    std::lock_guard lock(folders.mutex);
    folders.paths.erase(folder_);
    if (keep_)
        return;
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string PrivateFolder::Path(const std::string& name) const
{
    return (folder_ / name).string();
}

void RemovePrivateFolders()
{
    Folders& folders = LiveFolders();
    std::lock_guard lock(folders.mutex);
    folders.stopping = true;
    for (const std::filesystem::path& folder : folders.paths) {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    folders.paths.clear();
}

} // namespace velmora::cli
