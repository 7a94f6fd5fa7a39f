// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/support/RunProgram.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

namespace velmora::test {
namespace {

// The bundled sample is what the generator makes: anyone can rebuild it.
TEST(MakeSampleTest, RegeneratesTheBundledSample)
{
    Sandbox sandbox;
    ASSERT_EQ(RunProgram(VELMORA_MAKE_SAMPLE, {sandbox.Folder().string()}).exitCode, 0);
    for (const char* name : {"sample.png", "sample-depth.png"}) {
        EXPECT_TRUE(SamePixels(std::string(VELMORA_SAMPLES) + "/" + name, sandbox.Path(name))) << name;
        const auto pixels = ReadPixels(sandbox.Path(name));
        EXPECT_EQ(pixels->bitsPerPixel, 24) << name;
        EXPECT_GE(pixels->width, 800);
        EXPECT_GE(pixels->height, 600);
    }
    EXPECT_EQ(ReadPixels(sandbox.Path("sample.png"))->resolution, 2835);
}

} // namespace
} // namespace velmora::test
