// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/support/RunProgram.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

namespace velmora::test {
namespace {

// The icons in resources/ are what the generator draws, in every size the
// desktop asks for.
TEST(MakeIconTest, RegeneratesTheIconInEverySize)
{
    Sandbox sandbox;
    const ProgramResult made =
        RunningProgram(VELMORA_MAKE_ICON, {sandbox.Folder().string()}, {"QT_QPA_PLATFORM=offscreen"}).Wait();
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const std::string icons = std::string(VELMORA_SOURCE) + "/resources/icons/";
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const std::string name = "velmora-" + std::to_string(size) + ".png";
        // Qt's painter rounds antialiased edges a level apart on processors
        // with wider vector units.
        EXPECT_TRUE(SamePixels(icons + name, sandbox.Path(name), 1)) << name;
        EXPECT_EQ(ReadPixels(sandbox.Path(name))->width, size);
        EXPECT_EQ(ReadPixels(sandbox.Path(name))->height, size);
    }
    EXPECT_EQ(ReadBytes(sandbox.Path("velmora.svg")), ReadBytes(icons + "velmora.svg"));
    EXPECT_NE(ReadBytes(icons + "velmora.svg").find("viewBox=\"0 0 256 256\""), std::string::npos);
}

} // namespace
} // namespace velmora::test
