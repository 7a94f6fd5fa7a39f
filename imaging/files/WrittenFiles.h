// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

namespace velmora {

// The files this process has written, so that tidying up removes only its
// own: a file counts as still ours while it is the same file (device and
// inode) under the same name, with the size and modification time it had
// when written. A user's file that merely bears the same name, or ours
// changed since, is not.
void RecordWrittenFile(const std::string& absolutePath, const struct stat& written);

// Marks a file this process wrote as a result the user asked for: it stays
// ours for StillAsWritten, but tidying up never takes it for a temporary file.
void KeepAsResult(const std::string& name);

// Whether `name` (absolute, or relative to the current folder) is a file
// this process wrote and nobody has changed since.
bool StillAsWritten(const std::string& name);
// The same, and not a result.
bool IsOurTemporaryFile(const std::string& name);

// The absolute paths of our temporary files directly in `folder` whose file
// names satisfy `matches`, in the order they were first written.
std::vector<std::string> TemporaryFilesIn(const std::string& folder,
                                          const std::function<bool(const std::string& fileName)>& matches);

// Forgets a file once it has been deleted.
void ForgetWrittenFile(const std::string& name);

} // namespace velmora
