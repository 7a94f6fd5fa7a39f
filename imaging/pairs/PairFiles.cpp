// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/pairs/PairFiles.h"

#include "imaging/files/AtomicFile.h"
#include "imaging/files/FileHandles.h"
#include "imaging/files/FilePaths.h"
#include "imaging/files/PrivateFolder.h"
#include "imaging/files/RegularFile.h"
#include "imaging/formats/ImageFile.h"
#include "imaging/formats/JpegSegments.h"
#include "imaging/formats/SaveFormat.h"
#include "imaging/pairs/MpoIndex.h"


#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <variant>
#include <vector>

namespace velmora {
namespace {

constexpr std::uint32_t kApp3 = 0xE3;
constexpr std::uint32_t kJpsStereo = 1, kJpsSideBySide = 2, kJpsOverUnder = 3, kJpsLeftFirst = 1u << 2;

std::string SizeText(FIBITMAP* bitmap)
{
    return std::to_string(Width(bitmap)) + " x " + std::to_string(Height(bitmap));
}

PairRead Problem(std::string problem, FileProblem kind = FileProblem::kUnreadable)
{
    return {Bitmap(), Bitmap(), std::move(problem), kind};
}

// Why an eye could not be read, after `what`, keeping the kind of problem.
PairRead Problem(const std::string& what, const FileStatus& status)
{
    return Problem(what + status.reason, status ? FileProblem::kUnreadable : status.problem);
}

PairRead BothOfOneSize(Bitmap left, Bitmap right)
{
    if (Width(left.get()) != Width(right.get()) || Height(left.get()) != Height(right.get()))
        return Problem("its eyes differ in size: " + SizeText(left.get()) + " and " + SizeText(right.get()));
    return {std::move(left), std::move(right), ""};
}

std::variant<Bitmap, FileStatus> ReadEye(const std::string& path, const RunOptions& options)
{
    ImageRead read = ReadRgbImageFile(path, options);
    if (!read.bitmap)
        return std::move(read.status);
    return std::move(read.bitmap);
}

// One half of a picture of both eyes: `second` the right or lower half.
Bitmap Half(FIBITMAP* both, const PairHalves& halves, bool second)
{
    const int width = halves.sideBySide ? Width(both) / 2 : Width(both);
    const int height = halves.sideBySide ? Height(both) : Height(both) / 2;
    Bitmap half = NewImage(width, height, 24);
    if (!half)
        return half;
    // Stored rows count from the bottom: the upper half is the later rows.
    const int firstRow = halves.sideBySide || second ? 0 : height;
    const int firstColumn = halves.sideBySide && second ? width : 0;
    for (int y = 0; y < height; ++y)
        std::memcpy(RowAt(half.get(), y), PixelAt(both, firstColumn, firstRow + y), 3 * static_cast<std::size_t>(width));
    FreeImage_SetDotsPerMeterX(half.get(), FreeImage_GetDotsPerMeterX(both));
    FreeImage_SetDotsPerMeterY(half.get(), FreeImage_GetDotsPerMeterY(both));
    return half;
}

PairRead Split(FIBITMAP* both, const PairHalves& halves)
{
    if (halves.sideBySide ? Width(both) % 2 != 0 : Height(both) % 2 != 0)
        return Problem(std::string("a picture of both eyes ") + (halves.sideBySide ? "side by side" : "one above the other") +
                       " must have an even " + (halves.sideBySide ? "width" : "height") + ", not " +
                       SizeText(both));
    Bitmap first = Half(both, halves, false), second = Half(both, halves, true);
    if (!first || !second)
        return Problem("Not enough memory for a picture of this size!");
    return halves.leftFirst ? PairRead{std::move(first), std::move(second), ""}
                            : PairRead{std::move(second), std::move(first), ""};
}

// The bytes [at, at + size) of the file into a file of their own, or why
// not. errno is cleared first: a file that ends early sets none.
std::optional<std::string> CopyRange(int descriptor, std::uint64_t at, std::uint64_t size, const std::string& path)
{
    std::vector<std::uint8_t> bytes(size);
    errno = 0;
    if (!ReadFully(descriptor, bytes.data(), size, at))
        return errno ? std::strerror(errno) : "the file ended before its views did (was it changed while read?)";
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(size));
    if (!out.flush())
        return std::string("a view could not be copied aside: ") + std::strerror(errno ? errno : EIO);
    return std::nullopt;
}

// An MPO's two views, each through the reading of a JPEG file of its own.
PairRead ReadMpo(int descriptor, const std::pair<MpImage, MpImage>& views, const RunOptions& options)
{
    PrivateFolder folder;
    if (!folder)
        return Problem(folder.Failure());
    std::variant<Bitmap, FileStatus> eyes[2];
    const MpImage* images[2] = {&views.first, &views.second};
    for (int eye = 0; eye < 2; ++eye) {
        const std::string path = folder.Path(eye == 0 ? "left.jpg" : "right.jpg");
        if (const std::optional<std::string> why = CopyRange(descriptor, images[eye]->at, images[eye]->size, path))
            return Problem(*why);
        eyes[eye] = ReadEye(path, options);
        if (const auto* why = std::get_if<FileStatus>(&eyes[eye]))
            return Problem(std::string(eye == 0 ? "its left" : "its right") + " view: ", *why);
    }
    return BothOfOneSize(std::move(std::get<Bitmap>(eyes[0])), std::move(std::get<Bitmap>(eyes[1])));
}

// The eyes a file's MP index names, or why it names none.
std::variant<std::pair<MpImage, MpImage>, std::string> IndexedEyes(FileBytes& bytes)
{
    const auto index = ReadMpIndex(bytes);
    if (const auto* why = std::get_if<std::string>(&index))
        return *why;
    return StereoImages(std::get<std::vector<MpImage>>(index));
}

PairRead ReadStereoFile(const PairSource& source, const RunOptions& options)
{
    const OpenedFile file = OpenForReading(source.stereo);
    if (!file.status)
        return Problem(file.status.reason);
    FileBytes bytes(file.descriptor.Get(), file.size);
    std::optional<PairHalves> halves = source.halves ? source.halves : JpsHalves(bytes);
    if (!halves && IsCrossEyedName(source.stereo))
        halves = kCrossHalves;
    if (HasMpIndex(bytes)) {
        const auto eyes = IndexedEyes(bytes);
        if (const auto* views = std::get_if<std::pair<MpImage, MpImage>>(&eyes))
            return ReadMpo(file.descriptor.Get(), *views, options);
        // A picture of both eyes side by side may index its preview too, or
        // keep an index that no longer fits it.
        if (!halves)
            return Problem(std::get<std::string>(eyes));
    }
    if (!halves)
        return Problem("not a stereo file (MPO, JPS or PNS); say how the eyes share the picture with "
                       "--stereo-layout parallel, cross or top-bottom");
    auto both = ReadEye(source.stereo, options);
    if (const auto* why = std::get_if<FileStatus>(&both))
        return Problem("", *why);
    return Split(std::get<Bitmap>(both).get(), *halves);
}

} // namespace

bool IsCrossEyedName(const std::string& path)
{
    const std::string extension = LowerCaseExtension(path);
    return extension == ".jps" || extension == ".pns";
}

bool IsStereoFile(const std::string& path)
{
    if (IsCrossEyedName(path))
        return true;
    const OpenedFile file = OpenForReading(path);
    if (!file.status)
        return false;
    FileBytes bytes(file.descriptor.Get(), file.size);
    // Cameras index a preview beside every JPEG, phones a gain map or depth
    // image, and editors often keep an index that no longer fits the file:
    // only an index of two views makes a stereo file. Read as a pair, a
    // damaged one says what is wrong with it.
    return JpsHalves(bytes) || std::holds_alternative<std::pair<MpImage, MpImage>>(IndexedEyes(bytes));
}

std::optional<PairHalves> JpsHalves(FileBytes& bytes)
{
    const auto segment = FindJpegSegment(bytes, kApp3, "_JPSJPS_");
    if (!segment)
        return std::nullopt;
    // After the descriptor's length: separation, flags, layout, type.
    const auto flags = bytes.Byte(segment->first + 3), layout = bytes.Byte(segment->first + 4);
    const auto type = bytes.Byte(segment->first + 5);
    if (!flags || !layout || !type || segment->first + 6 > segment->second || *type != kJpsStereo ||
        (*layout != kJpsSideBySide && *layout != kJpsOverUnder))
        return std::nullopt;
    return PairHalves{*layout == kJpsSideBySide, (*flags & kJpsLeftFirst) != 0};
}

FileStatus WriteStereoMpo(FIBITMAP* left, FIBITMAP* right, const std::string& path, const RunOptions& options)
{
    PrivateFolder folder;
    if (!folder)
        return Failure(FileProblem::kUnwritable, folder.Failure());
    std::vector<std::uint8_t> jpegs[2];
    FIBITMAP* eyes[2] = {left, right};
    for (int eye = 0; eye < 2; ++eye) {
        const std::string name = folder.Path(eye == 0 ? "left.jpg" : "right.jpg");
        if (FileStatus written = WriteImageFile(eyes[eye], name, kSaveJpeg, options); !written)
            return written;
        std::ifstream in(name, std::ios::binary);
        jpegs[eye].assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof())
            return Failure(FileProblem::kUnwritable, "the eyes could not be encoded");
    }
    return WriteFileBytes(path, BuildStereoMpo(jpegs[0], jpegs[1]),
                          options.replaceLinks ? AtomicFile::Links::kReplace : AtomicFile::Links::kFollow);
}

PairRead ReadStereoPair(const PairSource& source, const RunOptions& options)
{
    if (!source.stereo.empty())
        return ReadStereoFile(source, options);
    auto left = ReadEye(source.left, options);
    if (const auto* why = std::get_if<FileStatus>(&left))
        return Problem(source.left + ": ", *why);
    auto right = ReadEye(source.right, options);
    if (const auto* why = std::get_if<FileStatus>(&right))
        return Problem(source.right + ": ", *why);
    return BothOfOneSize(std::move(std::get<Bitmap>(left)), std::move(std::get<Bitmap>(right)));
}

} // namespace velmora
