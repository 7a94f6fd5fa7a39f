// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace velmora {

// What a file dialog shows and asks.
struct FileDialogRequest {
    std::string title;             // "Open image", "Save image"
    std::string filterDescription; // "Image files"
    std::string patterns;          // "*.bmp;*.png;*.tif;*.jpg"
    std::string defaultSuffix;     // save dialog: added to a typed name without a dot, before the replace question
    // Save dialog: a chosen file for which this holds is not asked about,
    // since the program writes its result elsewhere rather than over it.
    std::function<bool(const std::string& path)> neverReplaced;
};

// Result codes of ShellOpen and StartCommandLine, in the scheme that the
// hyperlink's error table reads on every platform: above 32 is success.
namespace shell_codes {
inline constexpr int kFileNotFound = 2;
inline constexpr int kPathNotFound = 3;
inline constexpr int kAccessDenied = 5;
inline constexpr int kNoAssociation = 31;
inline constexpr int kSucceeded = 42;
} // namespace shell_codes

// Everything the program does to the desktop goes through this interface, so
// that tests can answer dialogs and record messages. Nothing else calls the
// toolkit's message boxes, file dialogs, desktop services or processes.
class Platform {
public:
    virtual ~Platform() = default;

    // Modal message box: the text, an OK button and the exclamation icon,
    // captioned with the program's name. Returns when the user closes it.
    virtual void ShowMessage(QWidget* owner, const std::string& text) = 0;

    // The default beep.
    virtual void Beep() = 0;

    // The open-file dialog; the folder of the chosen file becomes the current
    // folder. None when the user cancels.
    virtual std::optional<std::string> AskOpenFile(QWidget* owner, const FileDialogRequest& request) = 0;

    // The save-file dialog, asking before an existing file is overwritten; the
    // folder of the chosen file becomes the current folder. A typed name
    // without a dot gets the request's default suffix first, so the question
    // is asked about the file that will be written. Returns the full path;
    // none when the user cancels.
    virtual std::optional<std::string> AskSaveFile(QWidget* owner, const FileDialogRequest& request) = 0;

    // Opens a file or address with the user's program for it.
    virtual int ShellOpen(const std::string& target) = 0;

    // The command line of the user's program for HTML files, with its
    // placeholder for the file written "%1"; none when there is none.
    virtual std::optional<std::string> RegisteredBrowserCommand() = 0;

    // Starts a command line (split into words as a shell would, but run
    // without one).
    virtual int StartCommandLine(const std::string& commandLine) = 0;

    // Shows or removes the wait cursor; calls nest.
    virtual void SetWaitCursor(bool waiting) = 0;

    // The full path of the running executable.
    virtual std::string ExecutablePath() = 0;
};

// Shows the wait cursor for as long as it lives.
class WaitCursor {
public:
    explicit WaitCursor(Platform& platform) : platform_(platform) { platform_.SetWaitCursor(true); }
    ~WaitCursor() { platform_.SetWaitCursor(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    Platform& platform_;
};

} // namespace velmora
