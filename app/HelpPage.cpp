// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/HelpPage.h"

#include <filesystem>

namespace velmora {

std::string HelpPagePath(const std::string& executablePath)
{
    const std::filesystem::path folder = std::filesystem::path(executablePath).parent_path();
    const std::filesystem::path beside = folder / "help" / "help.htm";
    const std::filesystem::path installed = folder.parent_path() / "share" / "velmora" / "help" / "help.htm";
    if (!std::filesystem::exists(beside) && std::filesystem::exists(installed))
        return installed.string();
    return beside.string();
}

} // namespace velmora
