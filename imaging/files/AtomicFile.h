// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/files/FileStatus.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

// Replaces a file all at once: the new content goes to a new temporary file
// in the target's folder, and only when it is whole (written, flushed to the
// disk, closed) is it renamed over the target. Until then, and whenever
// anything fails or the process is stopped, the target holds what it held
// before. A target that is a symbolic link is replaced where the link points,
// so the link stays, unless the links are to be replaced themselves; a hard
// link loses its share of the file, as with any program that saves this way.
// Only regular files that may be written (and links, when replaced) are
// replaced. Files in a PrivateFolder are not flushed to the disk: they do
// not outlast the run.
class AtomicFile {
public:
    enum class Links {
        kFollow,  // a link the user made on purpose: the file it points to is replaced
        kReplace, // a folder others may write in: what the name points to is never touched
    };

    explicit AtomicFile(const std::string& target, Links links = Links::kFollow);
    ~AtomicFile(); // removes the temporary file unless committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Whether the temporary file is ready to be written; why not, if not.
    const FileStatus& Status() const { return status_; }
    int Descriptor() const { return descriptor_; }

    // Flushes to the disk, closes and renames over the target. On failure the
    // temporary file is removed and the target is untouched.
    FileStatus Commit();

private:
    void Discard();

    std::string target_;    // the file that is replaced, links resolved unless replaced
    bool durable_;          // flushed to the disk before it replaces the target
    std::string temporary_;
    int descriptor_ = -1;
    FileStatus status_;
};

// Replaces the file with `bytes` at once, as AtomicFile does, every write
// checked; the system's reason when anything fails.
FileStatus WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes,
                          AtomicFile::Links links = AtomicFile::Links::kFollow);

// Removes every temporary file that a write has not committed yet, and
// refuses new ones from then on. For a process that is being stopped.
void RemoveUnfinishedFiles();

} // namespace velmora
