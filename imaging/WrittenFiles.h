#pragma once

#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

namespace velmora {

// The files this process has written, so that tidying up removes only its
// own: a file counts as still ours while it is the same file (device and
// inode) with the size and modification time it had when written. A user's
// file that merely bears the same name, or ours changed since, is not.
void RecordWrittenFile(const std::string& absolutePath, const struct stat& written);

// Whether `name` (absolute, or relative to the current folder) is a file
// this process wrote and nobody has changed since.
bool StillAsWritten(const std::string& name);

// The absolute paths of the recorded files directly in `folder` whose file
// names satisfy `matches`, in the order they were first written.
std::vector<std::string> WrittenFilesIn(const std::string& folder,
                                        const std::function<bool(const std::string& fileName)>& matches);

// Forgets a file once it has been deleted.
void ForgetWrittenFile(const std::string& name);

} // namespace velmora
