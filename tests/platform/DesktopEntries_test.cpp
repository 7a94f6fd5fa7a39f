// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/DesktopEntries.h"

#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace velmora::test {
namespace {

void Write(const std::string& path, const std::string& content)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << content;
}

class DesktopEntriesTest : public ::testing::Test {
protected:
    Sandbox sandbox;
    XdgFolders folders{{sandbox.Path("config"), sandbox.Path("etc")},
                       {sandbox.Path("home-data"), sandbox.Path("share")}};
};

TEST_F(DesktopEntriesTest, TheDefaultApplicationsExecLineWithItsPlaceholder)
{
    Write(sandbox.Path("etc/mimeapps.list"), "[Default Applications]\ntext/html=web.desktop\n");
    Write(sandbox.Path("share/applications/web.desktop"),
          "[Desktop Entry]\nName=Web\nExec=/usr/bin/web --private %U\n[Desktop Action new]\nExec=/usr/bin/web -n\n");
    EXPECT_EQ(DefaultApplicationCommand("text/html", folders), "/usr/bin/web --private %1");

    // The user's own choice comes first; field codes other than files go.
    Write(sandbox.Path("config/mimeapps.list"),
          "[Added Associations]\ntext/html=web.desktop\n[Default Applications]\ntext/html=gone.desktop;kde-view.desktop\n");
    Write(sandbox.Path("home-data/applications/kde/view.desktop"),
          "[Desktop Entry]\nExec=view --icon %i \"%f\" 100%%\n");
    EXPECT_EQ(DefaultApplicationCommand("text/html", folders), "view --icon  \"%1\" 100%");
}

TEST_F(DesktopEntriesTest, NoneWithoutAnApplication)
{
    EXPECT_EQ(DefaultApplicationCommand("text/html", folders), std::nullopt);
    Write(sandbox.Path("config/mimeapps.list"), "[Default Applications]\nimage/png=viewer.desktop\n");
    EXPECT_EQ(DefaultApplicationCommand("text/html", folders), std::nullopt);
}

} // namespace
} // namespace velmora::test
