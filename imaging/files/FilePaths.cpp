// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/files/FilePaths.h"

#include <cctype>

namespace velmora {

namespace fs = std::filesystem;

fs::path ResolvedPath(const std::string& name)
{
    std::error_code error;
    const fs::path absolute = fs::absolute(name, error);
    const fs::path resolved = fs::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal() : resolved;
}

std::string WriteTarget(const std::string& name)
{
    std::error_code error;
    fs::path path = fs::absolute(name, error);
    for (int link = 0; link < 40 && fs::is_symlink(fs::symlink_status(path, error)); ++link) {
        const fs::path next = fs::read_symlink(path, error);
        if (error)
            break;
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return ResolvedPath(path.string()).string();
}

bool NamesSameFile(const std::string& first, const std::string& second)
{
    if (first.empty() || second.empty())
        return false;
    std::error_code error;
    return fs::equivalent(first, second, error) || WriteTarget(first) == WriteTarget(second);
}

std::string LowerCaseExtension(const std::string& path)
{
    std::string extension = fs::path(path).extension().string();
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

} // namespace velmora
