// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <filesystem>
#include <string>

namespace velmora {

// `name` as an absolute path with ".", ".." and every link that exists
// resolved; the part that does not exist yet as written.
std::filesystem::path ResolvedPath(const std::string& name);

// The file a write to `name` replaces: its links followed even where the
// last one points at nothing yet, so that writing through a link keeps the
// link. A loop, or a chain longer than 40 links, ends where it is.
std::string WriteTarget(const std::string& name);

// Whether two names reach the same file: the same file on disk (a hard link
// included), or the same place once links, "..", "." and the current folder
// are resolved, for names of files that do not exist yet.
bool NamesSameFile(const std::string& first, const std::string& second);

// The name's extension with its dot, in lower case (".jpg" for "A.JPG"):
// names are matched whatever case the camera or the user wrote.
std::string LowerCaseExtension(const std::string& path);

} // namespace velmora
