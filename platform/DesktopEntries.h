// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velmora {

// The freedesktop.org way of finding the user's program for a kind of file.
struct XdgFolders {
    std::vector<std::string> configFolders; // $XDG_CONFIG_HOME, then $XDG_CONFIG_DIRS
    std::vector<std::string> dataFolders;   // $XDG_DATA_HOME, then $XDG_DATA_DIRS
};

// The folders of this session's environment, with the standard defaults.
XdgFolders XdgFoldersFromEnvironment();

// The command of the default application for a MIME type ("text/html"), from
// the first mimeapps.list that names one whose .desktop file exists. Its
// field codes %u, %U, %f and %F become the placeholder "%1"; the other field
// codes are dropped and "%%" becomes "%". None when no application is set.
std::optional<std::string> DefaultApplicationCommand(const std::string& mimeType, const XdgFolders& folders);

} // namespace velmora
