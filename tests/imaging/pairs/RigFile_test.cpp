// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/pairs/RigFile.h"

#include "imaging/files/SystemCalls.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace velmora::test {
namespace {

RigGeometry ChessboardRig()
{
    return {640,
            480,
            -0.16799999999999993,
            {0.004907986482860774, 0.012849802117331837, 0.009277947493560743, 0.9930800077861845, -0.03430145021642076,
             0.007579551074191241, 0.008930093245341627},
            12};
}

// Why the text is refused; empty when it is read.
std::string Refusal(const std::string& text)
{
    const auto read = ParseRigFile(text);
    const auto* why = std::get_if<std::string>(&read);
    return why ? *why : "";
}

TEST(RigFileTest, EveryNumberComesBackExactly)
{
    const RigGeometry chessboard = ChessboardRig();
    RigGeometry awkward{1, 1000000, 0.1, {1e-300, -0.25, 0.1 + 0.2, 0.5, -1, 0.25, -0.0}, 2147483647};
    for (const RigGeometry& rig : {chessboard, awkward, RigGeometry{6000, 4000, 0, {0, 0, 0, 1, 0, 0, 0}, 1}}) {
        const auto read = ParseRigFile(RigFileText(rig));
        ASSERT_TRUE(std::holds_alternative<RigGeometry>(read)) << std::get<std::string>(read);
        EXPECT_EQ(std::get<RigGeometry>(read), rig) << RigFileText(rig);
    }
    // People read it too: the numbers as short as they round-trip.
    const std::string text = RigFileText(RigGeometry{640, 480, -0.168, {0, 0, 0, 1, 0, 0, 0}, 3});
    EXPECT_EQ(text.rfind("velmora-rig 1\n", 0), 0u) << text;
    for (const char* line : {"\nsize 640 480\n", "\nlens -0.168\n", "\nkeystone 0 0 0 1 0 0 0\n", "\npairs 3\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST(RigFileTest, CommentsBlankLinesOtherLineEndsAndOrderDoNotMatter)
{
    const std::string text = "# saved after the wedding\r\n\r\nvelmora-rig\t1\r\n  pairs 4\r\n# the lens\r\n"
                             "lens -0.1\r\nkeystone 0 0 0.01 1 -0.02 0 0\r\nsize 6000 4000";
    const auto read = ParseRigFile(text);
    ASSERT_TRUE(std::holds_alternative<RigGeometry>(read)) << std::get<std::string>(read);
    EXPECT_EQ(std::get<RigGeometry>(read), (RigGeometry{6000, 4000, -0.1, {0, 0, 0.01, 1, -0.02, 0, 0}, 4}));
}

TEST(RigFileTest, WhatIsNoRigIsRefusedNamingTheLine)
{
    const std::string head = "velmora-rig 1\nsize 640 480\nlens -0.1\n";
    const std::string tail = "keystone 0 0 0 1 0 0 0\npairs 2\n";
    ASSERT_EQ(Refusal(head + tail), "");
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"", "not a rig file (it is empty)"},
        {"# only a comment\n", "not a rig file (it is empty)"},
        {"\x89PNG\r\n\x1a\n", "not a rig file (it does not begin with velmora-rig)"},
        {"size 640 480\n" + tail, "not a rig file (it does not begin with velmora-rig)"},
        {"velmora-rig 2\n", "line 1: a rig file of another version"},
        {"velmora-rig\n", "line 1: a rig file of another version"},
        {"velmora-rig 1 1\n", "line 1: a rig file of another version"},
        {head, "the rig file has no keystone line"},
        {"velmora-rig 1\nlens -0.1\n" + tail, "the rig file has no size line"},
        {head + "keystone 0 0 0 1 0 0 0\n", "the rig file has no pairs line"},
        {head + tail + "lens -0.2\n", "line 6: lens again (first on line 3)"},
        {head + tail + "focal 35\n", "line 6: unknown line 'focal'"},
        {"velmora-rig 1\nsize 640\nlens -0.1\n" + tail, "line 2: size takes 2 values, not 1"},
        {"velmora-rig 1\nsize 640 -480\nlens -0.1\n" + tail, "line 2: the size is not two whole numbers"},
        {"velmora-rig 1\nsize 0 480\nlens -0.1\n" + tail, "line 2: the size is not two whole numbers"},
        {"velmora-rig 1\nsize 640 480.5\nlens -0.1\n" + tail, "line 2: the size is not two whole numbers"},
        {"velmora-rig 1\nsize 2000000 480\nlens -0.1\n" + tail, "line 2: the size is not two whole numbers"},
        {"velmora-rig 1\nsize 99999999999999999999 480\nlens -0.1\n" + tail, "line 2: the size"},
        {"velmora-rig 1\nsize 640 480\nlens nan\n" + tail, "line 3: the lens is not a number from -0.4 to 0.2"},
        {"velmora-rig 1\nsize 640 480\nlens inf\n" + tail, "line 3: the lens is not a number"},
        {"velmora-rig 1\nsize 640 480\nlens 0.5\n" + tail, "line 3: the lens is not a number"},
        {"velmora-rig 1\nsize 640 480\nlens -0.1x\n" + tail, "line 3: the lens is not a number"},
        {"velmora-rig 1\nsize 640 480\nlens 1e999\n" + tail, "line 3: the lens is not a number"},
        {"velmora-rig 1\nsize 640 480\nlens\n" + tail, "line 3: lens takes 1 value, not 0"},
        {head + "keystone 0 0 0 1 0 0\npairs 2\n", "line 4: keystone takes 7 values, not 6"},
        {head + "keystone 0 0 0 0 0 0 0\npairs 2\n", "line 4: the keystone's value 4 is not a number from 0.5 to 2"},
        {head + "keystone 0 0.3 0 1 0 0 0\npairs 2\n", "line 4: the keystone's value 2 is not a number"},
        {head + "keystone 0 0 0 1 0 0 -inf\npairs 2\n", "line 4: the keystone's value 7 is not a number"},
        {head + "keystone 0 0 0 1 0 0 0\npairs 0\n", "line 5: pairs is not a whole number above 0"},
        {head + "keystone 0 0 0 1 0 0 0\npairs 2 3\n", "line 5: pairs takes 1 value, not 2"},
        {"velmora-rig 1\nsize 640 480" + std::string(1, '\0') + "\nlens -0.1\n" + tail,
         "line 2: the size is not two whole numbers"},
    };
    for (const auto& [text, why] : refused)
        EXPECT_EQ(Refusal(text).rfind(why, 0), 0u) << '"' << text << "\" gave \"" << Refusal(text) << '"';
}

ssize_t FailingWrite(int, const void*, std::size_t, off_t)
{
    errno = ENOSPC;
    return -1;
}

TEST(RigFileTest, WrittenWholeAndReadBackOrLeftAsItWas)
{
    Sandbox sandbox;
    const RunOptions options;
    ASSERT_TRUE(WriteRigFile(ChessboardRig(), "rig.txt", options));
    const auto read = ReadRigFile("rig.txt");
    ASSERT_TRUE(std::holds_alternative<RigGeometry>(read)) << std::get<std::string>(read);
    EXPECT_EQ(std::get<RigGeometry>(read), ChessboardRig());

    // A full disk, a missing folder, or a geometry no rig file holds: the
    // file that was there stays as it was.
    const std::string before = ReadBytes("rig.txt");
    RigGeometry moved = ChessboardRig();
    moved.lens = -0.1;
    {
        const SystemCalls real = ActiveSystemCalls();
        ScopedSystemCalls full({FailingWrite, real.fsync, real.close, real.rename});
        EXPECT_EQ(WriteRigFile(moved, "rig.txt", options).reason, "No space left on device");
    }
    RigGeometry bent = ChessboardRig();
    bent.keystone[1] = 0.3;
    const FileStatus refused = WriteRigFile(bent, "rig.txt", options);
    EXPECT_EQ(refused.problem, FileProblem::kUnwritable);
    EXPECT_EQ(refused.reason.rfind("the rig's geometry is beyond what a rig file holds (line 5: the keystone's", 0), 0u)
        << refused.reason;
    EXPECT_EQ(ReadBytes("rig.txt"), before);
    EXPECT_FALSE(WriteRigFile(ChessboardRig(), "no-such-folder/rig.txt", options));
    EXPECT_FALSE(std::filesystem::exists("no-such-folder"));
    EXPECT_EQ(std::vector<std::filesystem::path>(std::filesystem::directory_iterator("."), {}),
              std::vector<std::filesystem::path>{"./rig.txt"});
    // A link is followed, as every result's is, unless links are to be
    // replaced.
    std::filesystem::create_symlink("rig.txt", "link.txt");
    ASSERT_TRUE(WriteRigFile(moved, "link.txt", options));
    EXPECT_TRUE(std::filesystem::is_symlink("link.txt"));
    EXPECT_EQ(ReadBytes("rig.txt"), RigFileText(moved));
    ASSERT_TRUE(WriteRigFile(ChessboardRig(), "link.txt", RunOptions{.replaceLinks = true}));
    EXPECT_FALSE(std::filesystem::is_symlink("link.txt"));
    EXPECT_EQ(ReadBytes("link.txt"), before);
    EXPECT_EQ(ReadBytes("rig.txt"), RigFileText(moved));

    const auto refusal = [](const std::string& path) {
        const auto got = ReadRigFile(path);
        return std::holds_alternative<std::string>(got) ? std::get<std::string>(got) : "";
    };
    EXPECT_EQ(refusal("missing.txt"), "No such file or directory");
    std::filesystem::create_directory("folder");
    EXPECT_EQ(refusal("folder"), "Is a directory");
    // A picture given by mistake is not read to its end; a rig file padded
    // with comments to the largest size is read.
    const std::string text = RigFileText(ChessboardRig());
    WriteBytes("largest.txt", text + "#" + std::string(kLargestRigFile - text.size() - 2, ' ') + "\n");
    EXPECT_EQ(refusal("largest.txt"), "");
    WriteBytes("large.txt", text + "#" + std::string(kLargestRigFile - text.size() - 1, ' ') + "\n");
    EXPECT_EQ(refusal("large.txt"), "not a rig file (65537 bytes; a rig file has 65536 at most)");
}

} // namespace
} // namespace velmora::test
