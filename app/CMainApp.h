// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace velmora {

class Platform;

// The application: makes the main window, runs it until its OK command, and
// ends. It reads no settings and no arguments; every start is the same.
class CMainApp {
public:
    explicit CMainApp(Platform& platform) : platform_(platform) {}

    // Runs the main window; returns the program's exit status.
    int Run();

private:
    Platform& platform_;
};

} // namespace velmora
