// SPDX-License-Identifier: GPL-3.0-or-later

#include "hyperlink/LinkText.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(BrowserCommandLineTest, ThePlaceholderIsCutAndTheTargetAppended)
{
    EXPECT_EQ(BrowserCommandLine("\"C:\\web\\browser.exe\" \"%1\"", "http://example.org"),
              "\"C:\\web\\browser.exe\"  http://example.org");
    EXPECT_EQ(BrowserCommandLine("browser %1 --new", "x.htm"), "browser  x.htm");
    EXPECT_EQ(BrowserCommandLine("browser", "x.htm"), "browser x.htm");
    EXPECT_EQ(BrowserCommandLine("a \"%1\" b %1", "t"), "a  t");
    const std::string longTarget(3000, 'w');
    EXPECT_EQ(BrowserCommandLine("b %1", longTarget), "b  " + longTarget);
}

TEST(OpenErrorTextTest, KnownCodesHaveTheirReasonOthersTheirNumber)
{
    EXPECT_EQ(OpenErrorText(31), "Unable to open hyperlink:\n\nThere is no application associated\n"
                                 "with the given filename extension.");
    EXPECT_EQ(OpenErrorText(0), "Unable to open hyperlink:\n\nThe operating system is out\nof memory or resources.");
    EXPECT_EQ(OpenErrorText(26), "Unable to open hyperlink:\n\nA sharing violation occurred. ");
    EXPECT_EQ(OpenErrorText(2), "Unable to open hyperlink:\n\nThe specified file was not found.");
    for (int code : {1, 4, 6, 7, 9, 10, 12, 13, 18, 25, 33, -5})
        EXPECT_EQ(OpenErrorText(code), "Unable to open hyperlink:\n\nUnknown Error (" + std::to_string(code) +
                                           ") occurred.")
            << code;
}

} // namespace
} // namespace velmora
