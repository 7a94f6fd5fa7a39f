// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <filesystem>
#include <string>

namespace velmora {

// A folder of this run's own under the system's temporary folder, so that
// intermediate files never land beside the user's files; removed with
// everything in it when the object goes, unless Keep() was called, and when
// the process is stopped (RemovePrivateFolders). Files in it are nobody
// else's and last no longer than the run, so writes there skip the flush to
// the disk.
class PrivateFolder {
public:
    PrivateFolder();
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    // Whether the folder could be made (the temporary folder may be full,
    // or the process stopping); why not, if not.
    explicit operator bool() const { return !folder_.empty(); }
    const std::string& Failure() const { return failure_; }

    std::string Path(const std::string& name) const;
    void Keep() { keep_ = true; }

private:
    std::filesystem::path folder_;
    std::string failure_;
    bool keep_ = false;
};

// Removes every private folder still in use, and refuses new ones: a
// stopped run leaves nothing behind.
void RemovePrivateFolders();

// Whether a path (links resolved) lies in a private folder in use.
bool InPrivateFolder(const std::filesystem::path& path);

} // namespace velmora
