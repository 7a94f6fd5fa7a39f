#pragma once

#include <filesystem>
#include <string>

namespace velmora::cli {

// A folder of this run's own under the system's temporary folder, so that
// intermediate files never land beside the user's files; removed with
// everything in it when the object goes, unless Keep() was called, and when
// the process is stopped (RemovePrivateFolders).
class PrivateFolder {
public:
    PrivateFolder();
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    std::string Path(const std::string& name) const;
    void Keep() { keep_ = true; }

private:
    std::filesystem::path folder_;
    bool keep_ = false;
};

// Removes every private folder that exists, kept ones too, and refuses new
// ones: a stopped run leaves nothing behind.
void RemovePrivateFolders();

} // namespace velmora::cli
