// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/CommandLine.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using Words = std::vector<std::string>;

TEST(SplitCommandLineTest, QuotesGroupAndBackslashesEscape)
{
    EXPECT_EQ(SplitCommandLine("firefox  http://example.org/a b"), (Words{"firefox", "http://example.org/a", "b"}));
    EXPECT_EQ(SplitCommandLine("\"/opt/my browser/run\" --new-window x"),
              (Words{"/opt/my browser/run", "--new-window", "x"}));
    EXPECT_EQ(SplitCommandLine("a 'b c' \"d \\\"e\\\"\" f\\ g"), (Words{"a", "b c", "d \"e\"", "f g"}));
    EXPECT_EQ(SplitCommandLine("x \"\" y"), (Words{"x", "", "y"}));
    EXPECT_EQ(SplitCommandLine("   "), Words{});
    const std::string longTarget(5000, 'q');
    EXPECT_EQ(SplitCommandLine("open " + longTarget), (Words{"open", longTarget}));
}

} // namespace
} // namespace velmora
