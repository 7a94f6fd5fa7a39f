// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>

namespace velmora {

// The command line that opens `target` with a registered browser command:
// where the command has the placeholder "%1" between quotation marks it is
// cut off at that first quotation mark, else at a bare "%1"; then a blank and
// the unquoted target are appended. "prog" "%1" gives: "prog"  target.
std::string BrowserCommandLine(const std::string& registeredCommand, const std::string& target);

// "Unable to open hyperlink:\n\n" and what the result code of the shell or
// of the command start means.
std::string OpenErrorText(int code);

} // namespace velmora
