// SPDX-License-Identifier: GPL-3.0-or-later

// The window's depth map made from the stereo pair its picture came from.

#include "tests/app/MainWindowFixture.h"

#include "imaging/files/SystemCalls.h"
#include "imaging/pairs/PairFiles.h"
#include "imaging/stereo/Messages.h"
#include "tests/support/TestImages.h"
#include "tests/support/gui/PreviewCloser.h"

#include <QProgressBar>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <utility>
#include <vector>

namespace velmora::test {
namespace {

constexpr int kWidth = 320, kHeight = 240;
constexpr int kFarShift = 4, kNearShift = 14, kDown = 2;

struct Disc {
    int x, y, radius;
    Bgr colour;
};

std::vector<Disc> Discs(unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<Disc> discs;
    for (int k = 0; k < 260; ++k)
        discs.push_back({int(random() % kWidth), int(random() % kHeight), 3 + int(random() % 14),
                         Bgr{uint8_t(random()), uint8_t(random()), uint8_t(random())}});
    return discs;
}

Bgr Painted(const std::vector<Disc>& discs, int x, int y)
{
    Bgr colour{uint8_t(x / 2), uint8_t(y), 90};
    for (const Disc& d : discs)
        if ((x - d.x) * (x - d.x) + (y - d.y) * (y - d.y) <= d.radius * d.radius)
            colour = d.colour;
    return colour;
}

// A wall of discs with a nearer square of other discs before it; the right
// eye sees the wall `kFarShift` columns and the square `kNearShift` columns
// further left, and everything `down` rows lower.
Bitmap Eye(bool right, int down = kDown)
{
    static const std::vector<Disc> wall = Discs(3), square = Discs(4);
    return MakeImage(kWidth, kHeight, [&](int x, int y) {
        const int seenY = right ? y + down : y;
        const int nearX = right ? x + kNearShift : x;
        if (nearX >= 110 && nearX < 210 && seenY >= 70 && seenY < 170)
            return Painted(square, nearX, seenY);
        return Painted(wall, right ? x + kFarShift : x, seenY);
    });
}

class DepthFromPairTest : public MainWindowTest {
protected:
    DepthFromPairTest()
    {
        const Bitmap left = Eye(false), right = Eye(true);
        SetResolution(left.get(), 2835);
        EXPECT_TRUE(WriteStereoMpo(left.get(), right.get(), sandbox.Path("camera.mpo"), RunOptions{}));
    }
};

TEST_F(DepthFromPairTest, APairsDepthMapAndAlignedLeftEyeBecomeThePictureAndDepthMap)
{
    EXPECT_FALSE(Enabled(kDepthFromPair)); // no picture yet
    OpenImage(sandbox.Path("camera.mpo"));
    ASSERT_TRUE(window.ImageLoaded());
    EXPECT_TRUE(Enabled(kDepthFromPair));

    PreviewCloser closer;
    platform.GivenUserSaves(sandbox.Path("scene-depth.bmp"));
    Click(kDepthFromPair);
    ASSERT_TRUE(platform.messages.empty()) << platform.messages.front();
    EXPECT_EQ(closer.shown, std::vector<std::string>{sandbox.Path("scene-depth.bmp")});
    EXPECT_EQ(Status(), "The depth map scene-depth.bmp was made from the stereo pair camera.mpo; the picture is "
                        "its aligned left eye");
    EXPECT_EQ(window.Paths().depthPath, sandbox.Path("scene-depth.bmp"));
    EXPECT_EQ(window.Paths().imagePath, sandbox.Path("scene-depth-picture.bmp"));
    EXPECT_TRUE(window.ImageLoaded() && window.DepthLoaded());
    EXPECT_TRUE(Enabled(kAnaglyph));
    EXPECT_FALSE(Enabled(kDepthFromPair)); // the picture is no eye of a stereo file any more

    const auto depth = ReadPixels(sandbox.Path("scene-depth.bmp"));
    const auto picture = ReadPixels(sandbox.Path("scene-depth-picture.bmp"));
    ASSERT_TRUE(depth && picture);
    EXPECT_EQ(depth->width, picture->width);
    EXPECT_EQ(depth->height, picture->height);
    EXPECT_LT(picture->width, kWidth); // cut to what both eyes see
    // Nearer is brighter: the square's middle against the wall's corner.
    const int middleX = depth->width / 2, middleY = depth->height / 2;
    EXPECT_GT(depth->At(middleX, middleY).red, depth->At(20, 20).red + 100);
}

TEST_F(DepthFromPairTest, TheBarCountsAligningAndMatching)
{
    Click(kPreviewImages);
    OpenImage(sandbox.Path("camera.mpo"));
    auto* bar = qobject_cast<QProgressBar*>(window.Control(kProgress));
    std::vector<std::string> shown;
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) {
        if (value > 0)
            shown.push_back(std::to_string(value) + " of " + std::to_string(bar->maximum()));
    });
    platform.GivenUserSaves(sandbox.Path("scene-depth.bmp"));
    Click(kDepthFromPair);
    ASSERT_TRUE(platform.messages.empty()) << platform.messages.front();
    EXPECT_EQ(shown, std::vector<std::string>{"1 of 2"});
    EXPECT_EQ(bar->value(), 0); // no step left half done for the next command
}

TEST_F(DepthFromPairTest, DuringTheRunOpeningAndStartingAgainOnlyBeep)
{
    OpenImage(sandbox.Path("camera.mpo"));
    const std::string other = Picture("plain.bmp", 2835);
    // The run reads the stereo file and writes the files named before it
    // began: nothing opened meanwhile may change them.
    bool tried = false; // once: a second run, were it to start, shows a preview of its own
    PreviewCloser closer([&] {
        if (std::exchange(tried, true))
            return;
        ASSERT_TRUE(window.Busy());
        platform.GivenUserOpens(other);
        Click(kOpenImage);
        Click(kOpenDepthMap);
        window.OpenImageFile(other); // as a drop opens it
        window.OpenDepthMapFile(other);
        platform.GivenUserSaves(sandbox.Path("again-depth.bmp"));
        Click(kDepthFromPair);
    });
    platform.GivenUserSaves(sandbox.Path("scene-depth.bmp"));
    Click(kDepthFromPair);
    ASSERT_TRUE(platform.messages.empty()) << platform.messages.front();
    EXPECT_EQ(platform.beeps, 5);
    EXPECT_EQ(platform.openRequests.size(), 1u); // the stereo file's, before the run
    EXPECT_EQ(platform.saveRequests.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(sandbox.Path("again-depth.bmp")));
    EXPECT_EQ(window.Paths().depthPath, sandbox.Path("scene-depth.bmp"));
    EXPECT_EQ(window.Paths().imagePath, sandbox.Path("scene-depth-picture.bmp"));
}

TEST_F(DepthFromPairTest, AStereoFileOpenedByARelativeNameIsFoundAfterTheFolderChanged)
{
    // Opening a file, and the save dialog, make its folder the current one:
    // the pair's name as given would then name pairs/pairs/camera.mpo.
    std::filesystem::create_directory(sandbox.Path("pairs"));
    std::filesystem::rename(sandbox.Path("camera.mpo"), sandbox.Path("pairs/camera.mpo"));
    Click(kPreviewImages);
    window.OpenImageFile("pairs/camera.mpo");
    ASSERT_TRUE(window.ImageLoaded());
    platform.GivenUserSaves(sandbox.Path("pairs/scene-depth.bmp"));
    Click(kDepthFromPair);
    ASSERT_TRUE(platform.messages.empty()) << platform.messages.front();
    EXPECT_TRUE(window.DepthLoaded());
    EXPECT_TRUE(std::filesystem::exists(sandbox.Path("pairs/scene-depth.bmp")));
}

TEST_F(DepthFromPairTest, EyesAlignedAlreadyAreMatchedAsTheyAre)
{
    const Bitmap left = Eye(false, 0), right = Eye(true, 0);
    ASSERT_TRUE(WriteStereoMpo(left.get(), right.get(), sandbox.Path("level.mpo"), RunOptions{}));
    Click(kPreviewImages);
    OpenImage(sandbox.Path("level.mpo"));
    const std::optional<Pixels> eye = ReadPixels(window.Paths().imagePath);
    platform.GivenUserSaves(sandbox.Path("level-depth.bmp"));
    Click(kDepthFromPair);
    ASSERT_TRUE(platform.messages.empty()) << platform.messages.front();
    // Not cut to where the stereo window puts the right eye, nor resampled.
    const std::optional<Pixels> picture = ReadPixels(sandbox.Path("level-depth-picture.bmp"));
    ASSERT_TRUE(eye && picture);
    EXPECT_EQ(picture->width, kWidth);
    EXPECT_TRUE(picture->bytes == eye->bytes);
}

TEST_F(DepthFromPairTest, TheMadeFilesNeverReplaceTheUsersFiles)
{
    Click(kPreviewImages);
    OpenImage(sandbox.Path("camera.mpo"));
    // The picture's name beside the depth map is somebody else's file.
    WriteBytes(sandbox.Path("scene-depth-picture.bmp"), "my picture");
    platform.GivenUserSaves(sandbox.Path("scene-depth.bmp"));
    Click(kDepthFromPair);
    ASSERT_TRUE(platform.messages.empty()) << platform.messages.front();
    EXPECT_EQ(ReadBytes(sandbox.Path("scene-depth-picture.bmp")), "my picture");
    EXPECT_FALSE(std::filesystem::exists(sandbox.Path("scene-depth.bmp")));
    // Both moved together, into the folder the dialog chose, and the window
    // keeps their whole paths, as the next dialog changes the current folder.
    EXPECT_EQ(window.Paths().depthPath, sandbox.Path("2scene-depth.bmp"));
    EXPECT_EQ(window.Paths().imagePath, sandbox.Path("2scene-depth-picture.bmp"));
    EXPECT_TRUE(std::filesystem::exists(sandbox.Path("2scene-depth.bmp")));
    EXPECT_TRUE(std::filesystem::exists(sandbox.Path("2scene-depth-picture.bmp")));
    EXPECT_TRUE(platform.replaceQuestions.empty());
    EXPECT_EQ(Status(), "The depth map 2scene-depth.bmp was made from the stereo pair camera.mpo; the picture is "
                        "its aligned left eye (scene-depth-picture.bmp already exists)");

    // The depth map's own name is the one the dialog asks about replacing.
    OpenImage(sandbox.Path("camera.mpo"));
    WriteBytes(sandbox.Path("kept-depth.bmp"), "my depth map");
    platform.GivenUserSaves(sandbox.Path("kept-depth.bmp"));
    platform.GivenUserDeclinesReplacing();
    Click(kDepthFromPair);
    EXPECT_EQ(platform.replaceQuestions, std::vector<std::string>{sandbox.Path("kept-depth.bmp")});
    EXPECT_EQ(ReadBytes(sandbox.Path("kept-depth.bmp")), "my depth map");
    EXPECT_FALSE(std::filesystem::exists(sandbox.Path("kept-depth-picture.bmp")));
}

TEST_F(DepthFromPairTest, TheStereoFileAndTheOpenDepthMapAreNeverReplaced)
{
    // Chosen as the depth map's name, an input stays as it is and the made
    // files go beside it with a 2, without a question.
    const auto chosenAsTheOutput = [&](const std::string& name) {
        const std::string input = ReadBytes(sandbox.Path(name));
        platform.GivenUserSaves(sandbox.Path(name));
        Click(kDepthFromPair);
        ASSERT_TRUE(platform.messages.empty()) << platform.messages.front();
        EXPECT_TRUE(platform.replaceQuestions.empty());
        EXPECT_EQ(ReadBytes(sandbox.Path(name)), input);
        EXPECT_EQ(window.Paths().depthPath, sandbox.Path("2" + name));
    };
    Click(kPreviewImages);
    OpenImage(sandbox.Path("camera.mpo"));
    chosenAsTheOutput("camera.mpo");

    // A depth map opened before is an input as well, until the run ends.
    OpenImage(sandbox.Path("camera.mpo"));
    OpenDepthMap(Picture("old-depth.bmp", 2835));
    chosenAsTheOutput("old-depth.bmp");
}

// A disk that fails as the aligned picture is put in place.
int FailingPictureRename(const char* from, const char* to)
{
    if (std::filesystem::path(to).filename() == "scene-depth-picture.bmp") {
        errno = EIO;
        return -1;
    }
    return ::rename(from, to);
}

TEST_F(DepthFromPairTest, APictureThatCannotBeWrittenLeavesNoDepthMap)
{
    Click(kPreviewImages);
    OpenImage(sandbox.Path("camera.mpo"));
    const SystemCalls real = ActiveSystemCalls();
    ScopedSystemCalls failing({real.pwrite, real.fsync, real.close, FailingPictureRename});
    platform.GivenUserSaves(sandbox.Path("scene-depth.bmp"));
    Click(kDepthFromPair);
    EXPECT_EQ(platform.messages,
              std::vector<std::string>{messages::kCouldntSavePrefix + sandbox.Path("scene-depth-picture.bmp")});
    // Alone, it would be taken for the unaligned left eye's.
    EXPECT_FALSE(std::filesystem::exists(sandbox.Path("scene-depth.bmp")));
    EXPECT_FALSE(window.DepthLoaded());
}

TEST_F(DepthFromPairTest, APairThatCannotBeAlignedChangesNothing)
{
    const Bitmap flat = MakeImage(kWidth, kHeight, [](int, int) { return Grey(120); });
    ASSERT_TRUE(WriteStereoMpo(flat.get(), flat.get(), sandbox.Path("flat.mpo"), RunOptions{}));
    OpenImage(sandbox.Path("flat.mpo"));
    const std::string eye = window.Paths().imagePath;
    platform.GivenUserSaves(sandbox.Path("flat-depth.bmp"));
    Click(kDepthFromPair);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].rfind(std::string(messages::kPairNotAligned) + "too few points match", 0), 0u)
        << platform.messages[0];
    EXPECT_FALSE(std::filesystem::exists(sandbox.Path("flat-depth.bmp")));
    EXPECT_FALSE(std::filesystem::exists(sandbox.Path("flat-depth-picture.bmp")));
    EXPECT_EQ(window.Paths().imagePath, eye);
    EXPECT_FALSE(window.DepthLoaded());
    EXPECT_TRUE(Enabled(kDepthFromPair)); // the user may try again

    // A plain picture has no pair to make a depth map from, nor has a stereo
    // file that fails to open.
    OpenImage(Picture("plain.bmp", 2835));
    EXPECT_FALSE(Enabled(kDepthFromPair));
    OpenImage(sandbox.Path("flat.mpo"));
    EXPECT_TRUE(Enabled(kDepthFromPair));
    Save(MakeImage(63, 48, [](int, int) { return Bgr{}; }).get(), sandbox.Path("odd.jps"), kSaveJpeg);
    OpenImage(sandbox.Path("odd.jps"));
    EXPECT_FALSE(window.ImageLoaded());
    EXPECT_FALSE(Enabled(kDepthFromPair));
}

} // namespace
} // namespace velmora::test
