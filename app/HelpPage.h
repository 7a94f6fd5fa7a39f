// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>

namespace velmora {

// Where the help page is for a program at `executablePath`: help/help.htm
// beside the executable, or, for an installation that keeps programs and
// data apart, share/velmora/help/help.htm beside its bin folder. When neither
// exists, the first, so that opening it fails as a missing file.
std::string HelpPagePath(const std::string& executablePath);

} // namespace velmora
