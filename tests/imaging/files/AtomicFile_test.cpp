// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/files/AtomicFile.h"
#include "imaging/files/PrivateFolder.h"
#include "imaging/files/SystemCalls.h"
#include "imaging/formats/ImageFile.h"
#include "imaging/stereo/TempFiles.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

// Failing system calls: the disk fills up after a number of bytes, or one
// call fails with an error.
std::size_t bytesBeforeFull = 0;

ssize_t FillingWrite(int descriptor, const void* bytes, std::size_t count, off_t offset)
{
    if (bytesBeforeFull == 0) {
        errno = ENOSPC;
        return -1;
    }
    const std::size_t now = std::min(count, bytesBeforeFull);
    bytesBeforeFull -= now;
    return ::pwrite(descriptor, bytes, now, offset);
}

int FailingFsync(int)
{
    errno = EIO;
    return -1;
}

int FailingClose(int descriptor)
{
    ::close(descriptor);
    errno = EIO;
    return -1;
}

int FailingRename(const char*, const char*)
{
    errno = EXDEV;
    return -1;
}

class AtomicFileTest : public ::testing::Test {
protected:
    AtomicFileTest()
    {
        std::mt19937 random(8);
        picture = RandomImage(300, 200, random);
        SetResolution(picture.get(), 2835);
    }

    // Everything in the sandbox folder, hidden files included.
    std::vector<std::string> FolderContents() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(sandbox.Folder()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    Sandbox sandbox;
    Bitmap picture;
};

// PNG has an encoder of its own (see PngWriter_test).
TEST_F(AtomicFileTest, WritesTheSameBytesAsTheLibraryAsBmpAndTiff)
{
    for (int format : {kSaveBmp, kSaveTiff}) {
        const std::string ours = "ours." + FormatExtension(format);
        const std::string theirs = "theirs." + FormatExtension(format);
        ASSERT_TRUE(WriteImageFile(picture.get(), ours, format, RunOptions{}));
        const FREE_IMAGE_FORMAT library = format == kSaveBmp ? FIF_BMP : FIF_TIFF;
        ASSERT_TRUE(FreeImage_Save(library, picture.get(), theirs.c_str(), 0));
        EXPECT_EQ(ReadBytes(ours), ReadBytes(theirs)) << ours;
    }
}

TEST_F(AtomicFileTest, AFailedWriteLeavesTheTargetAsItWasAndNoTemporaryFile)
{
    WriteBytes("out.png", "the user's earlier result");
    struct Case {
        const char* what;
        SystemCalls calls;
        std::size_t bytes;
        const char* reason;
    };
    const SystemCalls real = ActiveSystemCalls();
    const Case cases[] = {
        {"full at once", {FillingWrite, real.fsync, real.close, real.rename}, 0, "No space left on device"},
        {"full part-way", {FillingWrite, real.fsync, real.close, real.rename}, 5000, "No space left on device"},
        {"flush fails", {real.pwrite, FailingFsync, real.close, real.rename}, 0, "Input/output error"},
        {"close fails", {real.pwrite, real.fsync, FailingClose, real.rename}, 0, "Input/output error"},
        {"rename fails", {real.pwrite, real.fsync, real.close, FailingRename}, 0, "Invalid cross-device link"},
    };
    for (int format : {kSaveBmp, kSavePng, kSaveTiff, kSaveJpeg})
        for (const Case& c : cases) {
            bytesBeforeFull = c.bytes;
            ScopedSystemCalls failing(c.calls);
            const FileStatus written = WriteImageFile(picture.get(), "out.png", format, RunOptions{});
            EXPECT_EQ(written.problem, FileProblem::kUnwritable) << c.what << ", format " << format;
            EXPECT_EQ(written.reason, c.reason) << c.what;
            EXPECT_EQ(ReadBytes("out.png"), "the user's earlier result") << c.what;
            EXPECT_EQ(FolderContents(), std::vector<std::string>{"out.png"}) << c.what;
        }
    ASSERT_TRUE(WriteImageFile(picture.get(), "out.png", kSavePng, RunOptions{}));
    EXPECT_EQ(ReadPixels("out.png")->width, 300);
}

TEST_F(AtomicFileTest, OnlyFilesOfThisRunsOwnSkipTheFlushToTheDisk)
{
    const SystemCalls real = ActiveSystemCalls();
    ScopedSystemCalls failingFlush({real.pwrite, FailingFsync, real.close, real.rename});
    EXPECT_EQ(WriteImageFile(picture.get(), "out.bmp", kSaveBmp, RunOptions{}).reason, "Input/output error");
    PrivateFolder folder;
    ASSERT_TRUE(folder);
    EXPECT_TRUE(WriteImageFile(picture.get(), folder.Path("view.bmp"), kSaveBmp, RunOptions{}));
}

TEST_F(AtomicFileTest, WhatIsNotARegularFileOrHasNoFolderIsNotWritten)
{
    fs::create_directory("folder");
    ASSERT_EQ(mkfifo("fifo.png", 0600), 0);
    const std::pair<const char*, const char*> cases[] = {
        {"folder", "Is a directory"},
        {"fifo.png", "not a regular file"},
        {"/dev/full", "not a regular file"},
        {"missing/out.png", "No such file or directory"},
    };
    for (const auto& [target, reason] : cases) {
        const FileStatus written = WriteImageFile(picture.get(), target, kSavePng, RunOptions{});
        EXPECT_EQ(written.problem, FileProblem::kUnwritable) << target;
        EXPECT_EQ(written.reason, reason) << target;
    }
    EXPECT_TRUE(fs::is_directory("folder"));
    EXPECT_TRUE(fs::is_fifo("fifo.png"));
}

TEST_F(AtomicFileTest, AFileItsOwnerMadeReadOnlyIsNotReplaced)
{
    // Replacing needs only the folder's permission: the program must check
    // the file's own. Root may write anything, so the check runs as nobody.
    ASSERT_EQ(chmod(sandbox.Folder().c_str(), 0777), 0);
    WriteBytes("locked.bmp", "keep");
    ASSERT_EQ(chmod("locked.bmp", 0444), 0);
    EXPECT_EXIT(
        {
            if (geteuid() == 0 && setuid(65534) != 0)
                _exit(3);
            const FileStatus written = WriteImageFile(picture.get(), "locked.bmp", kSaveBmp, RunOptions{});
            _exit(!written && written.reason == "Permission denied" ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadBytes("locked.bmp"), "keep");
    EXPECT_EQ(FolderContents(), std::vector<std::string>{"locked.bmp"});
}

TEST_F(AtomicFileTest, ALinkStaysALinkAndPermissionsAreKept)
{
    WriteBytes("real.bmp", "old");
    ASSERT_EQ(chmod("real.bmp", 0640), 0);
    fs::create_symlink("real.bmp", "link.bmp");
    ASSERT_TRUE(WriteImageFile(picture.get(), "link.bmp", kSaveBmp, RunOptions{}));
    EXPECT_TRUE(fs::is_symlink("link.bmp"));
    EXPECT_EQ(ReadPixels("real.bmp")->width, 300);
    EXPECT_EQ(fs::status("real.bmp").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // A link to a file that does not exist yet, and a link to that link.
    fs::create_symlink("later.bmp", "dangling.bmp");
    fs::create_symlink("dangling.bmp", "chain.bmp");
    ASSERT_TRUE(WriteImageFile(picture.get(), "chain.bmp", kSaveBmp, RunOptions{}));
    EXPECT_TRUE(fs::is_symlink("chain.bmp"));
    EXPECT_TRUE(fs::is_symlink("dangling.bmp"));
    EXPECT_EQ(ReadPixels("later.bmp")->width, 300);

    // A new file gets the permissions any new file gets.
    const mode_t mask = umask(022);
    ASSERT_TRUE(WriteImageFile(picture.get(), "new.bmp", kSaveBmp, RunOptions{}));
    umask(mask);
    EXPECT_EQ(fs::status("new.bmp").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

TEST_F(AtomicFileTest, LinksToBeReplacedAreReplacedThemselvesNeverWhatTheyPointTo)
{
    WriteBytes("notes.txt", "my notes");
    fs::create_symlink("notes.txt", "planted.bmp");
    fs::create_symlink("nowhere.bmp", "dangling.bmp");
    fs::create_directories("folder");
    fs::create_symlink("folder", "to-folder.bmp");
    const RunOptions replacing{.replaceLinks = true};
    for (const char* name : {"planted.bmp", "dangling.bmp", "to-folder.bmp"}) {
        ASSERT_TRUE(WriteImageFile(picture.get(), name, kSaveBmp, replacing)) << name;
        EXPECT_FALSE(fs::is_symlink(name)) << name;
        EXPECT_EQ(ReadPixels(name)->width, 300) << name;
    }
    EXPECT_EQ(ReadBytes("notes.txt"), "my notes");
    EXPECT_FALSE(fs::exists("nowhere.bmp"));
    EXPECT_TRUE(fs::is_directory("folder"));
    EXPECT_FALSE(WriteImageFile(picture.get(), "folder", kSaveBmp, replacing)); // a real folder stays refused
}

TEST_F(AtomicFileTest, OnceTheProcessStopsNoTemporaryIsMadeAndNothingReplaced)
{
    WriteBytes("kept.bmp", "old");
    // In a child, as stopping is for good.
    EXPECT_EQ(FailedChecksInChild([] {
                  RemoveUnfinishedFiles();
                  AtomicFile file("kept.bmp");
                  const bool refused = !file.Status() && file.Descriptor() < 0;
                  return refused ? 0 : 1;
              }),
              0);
    EXPECT_EQ(ReadBytes("kept.bmp"), "old");
    for (const fs::directory_entry& entry : fs::directory_iterator("."))
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
}

} // namespace
} // namespace velmora::test
