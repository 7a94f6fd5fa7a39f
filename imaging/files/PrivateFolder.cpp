// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/files/PrivateFolder.h"

#include "imaging/files/FilePaths.h"
#include "imaging/files/StopRegistry.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>

#include <mutex>

namespace velmora {
namespace {

using Folders = StopRegistry<std::filesystem::path>;

// The private folders that exist, for RemovePrivateFolders.
Folders& LiveFolders()
{
    static Folders& folders = Folders::Leaked();
    return folders;
}

} // namespace

PrivateFolder::PrivateFolder()
{
    std::error_code error;
    const std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
    std::string pattern = (temporary / "velmora-XXXXXX").string();
    Folders& folders = LiveFolders();
    std::lock_guard lock(folders.mutex);
    if (error || folders.stopping || mkdtemp(pattern.data()) == nullptr) {
        failure_ = "cannot make a temporary folder in " + temporary.string() + ": " +
                   std::strerror(error ? error.value() : folders.stopping ? ECANCELED : errno);
        return;
    }
    folder_ = ResolvedPath(pattern);
    folders.paths.insert(folder_);
}

PrivateFolder::~PrivateFolder()
{
    if (folder_.empty())
        return;
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
    LiveFolders().StopAndRemove([](const std::filesystem::path& folder) {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    });
}

bool InPrivateFolder(const std::filesystem::path& path)
{
    Folders& folders = LiveFolders();
    std::lock_guard lock(folders.mutex);
    return folders.paths.count(path.parent_path()) > 0;
}

} // namespace velmora
