// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/DesktopEntries.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace velmora {
namespace {

std::vector<std::string> SplitList(const std::string& text, char separator)
{
    std::vector<std::string> items;
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, separator))
        if (!item.empty())
            items.push_back(item);
    return items;
}

std::string Environment(const char* name, const std::string& fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

// The value of `key` in section [section] of an ini-style file.
std::optional<std::string> ReadKey(const std::filesystem::path& file, const std::string& section,
                                   const std::string& key)
{
    std::ifstream in(file);
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line.front() == '[') {
            inSection = line == "[" + section + "]";
            continue;
        }
        if (inSection && line.compare(0, key.size() + 1, key + "=") == 0)
            return line.substr(key.size() + 1);
    }
    return std::nullopt;
}

// Desktop file ids may stand for files in subfolders: "kde-foo.desktop" is
// applications/kde/foo.desktop.
std::optional<std::filesystem::path> FindDesktopFile(const std::string& id, const XdgFolders& folders)
{
    for (const std::string& data : folders.dataFolders) {
        const std::filesystem::path applications = std::filesystem::path(data) / "applications";
        std::string relative = id;
        for (;;) {
            if (std::filesystem::exists(applications / relative))
                return applications / relative;
            const auto dash = relative.find('-');
            if (dash == std::string::npos)
                break;
            relative[dash] = '/';
        }
    }
    return std::nullopt;
}

std::string ToPlaceholderCommand(const std::string& exec)
{
    std::string command;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        if (exec[i] != '%' || i + 1 == exec.size()) {
            command += exec[i];
            continue;
        }
        const char code = exec[++i];
        if (code == 'u' || code == 'U' || code == 'f' || code == 'F')
            command += "%1";
        else if (code == '%')
            command += '%';
        // Any other field code (%i, %c, %k...) is dropped.
    }
    return command;
}

} // namespace

XdgFolders XdgFoldersFromEnvironment()
{
    const std::string home = Environment("HOME", "/root");
    XdgFolders folders;
    folders.configFolders.push_back(Environment("XDG_CONFIG_HOME", home + "/.config"));
    for (const std::string& folder : SplitList(Environment("XDG_CONFIG_DIRS", "/etc/xdg"), ':'))
        folders.configFolders.push_back(folder);
    folders.dataFolders.push_back(Environment("XDG_DATA_HOME", home + "/.local/share"));
    for (const std::string& folder : SplitList(Environment("XDG_DATA_DIRS", "/usr/local/share:/usr/share"), ':'))
        folders.dataFolders.push_back(folder);
    return folders;
}

std::optional<std::string> DefaultApplicationCommand(const std::string& mimeType, const XdgFolders& folders)
{
    std::vector<std::filesystem::path> lists;
    for (const std::string& folder : folders.configFolders)
        lists.push_back(std::filesystem::path(folder) / "mimeapps.list");
    for (const std::string& folder : folders.dataFolders)
        lists.push_back(std::filesystem::path(folder) / "applications" / "mimeapps.list");

    for (const auto& list : lists) {
        const auto ids = ReadKey(list, "Default Applications", mimeType);
        if (!ids)
            continue;
        for (const std::string& id : SplitList(*ids, ';')) {
            const auto desktopFile = FindDesktopFile(id, folders);
            if (!desktopFile)
                continue;
            if (const auto exec = ReadKey(*desktopFile, "Desktop Entry", "Exec"))
                return ToPlaceholderCommand(*exec);
        }
    }
    return std::nullopt;
}

} // namespace velmora
