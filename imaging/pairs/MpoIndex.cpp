// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/pairs/MpoIndex.h"

#include "imaging/formats/JpegSegments.h"

#include <algorithm>
#include <optional>
#include <tuple>

namespace velmora {
namespace {

constexpr std::uint32_t kApp0 = 0xE0, kApp2 = 0xE2;
constexpr std::string_view kMpfId("MPF\0", 4);
constexpr std::uint16_t kVersionTag = 0xB000, kNumberTag = 0xB001, kEntriesTag = 0xB002;
constexpr std::uint16_t kIndividualNumberTag = 0xB101, kBaseViewpointTag = 0xB204;
constexpr std::uint16_t kLong = 4, kUndefined = 7;
constexpr std::uint64_t kEntryBytes = 16;
constexpr std::uint32_t kMostImages = 1000; // far more than any camera writes
constexpr std::uint32_t kRepresentative = 1u << 29;

// The TIFF-like structure of the MPF segment, from its byte-order mark.
class MpfReader {
public:
    MpfReader(FileBytes& bytes, std::uint64_t base, std::uint64_t end, bool big)
        : bytes_(bytes), base_(base), end_(end), big_(big)
    {
    }

    // Fields at an offset from the byte-order mark, only inside the segment.
    std::optional<std::uint32_t> U16(std::uint64_t offset) { return Field(offset, 2); }
    std::optional<std::uint32_t> U32(std::uint64_t offset) { return Field(offset, 4); }

private:
    std::optional<std::uint32_t> Field(std::uint64_t offset, int count)
    {
        if (offset > end_ - base_ || static_cast<std::uint64_t>(count) > end_ - base_ - offset)
            return std::nullopt;
        const std::uint64_t at = base_ + offset;
        if (count == 2)
            return big_ ? bytes_.Big16(at) : bytes_.Little16(at);
        return big_ ? bytes_.Big32(at) : bytes_.Little32(at);
    }

    FileBytes& bytes_;
    std::uint64_t base_, end_;
    bool big_;
};

std::variant<std::vector<MpImage>, std::string> ReadIndex(FileBytes& bytes, std::uint64_t base, std::uint64_t end)
{
    const bool big = bytes.Matches(base, std::string_view("MM\0*", 4));
    if (!big && !bytes.Matches(base, std::string_view("II*\0", 4)))
        return std::string("its MP index has no byte order");
    MpfReader mpf(bytes, base, end, big);
    const auto ifd = mpf.U32(4);
    const auto count = ifd ? mpf.U16(*ifd) : std::nullopt;
    if (!count)
        return std::string("its MP index lies outside its segment");
    std::optional<std::uint32_t> number, entriesCount, entriesAt;
    for (std::uint32_t i = 0; i < *count; ++i) {
        const std::uint64_t entry = *ifd + 2 + 12 * std::uint64_t{i};
        const auto tag = mpf.U16(entry), type = mpf.U16(entry + 2), fieldCount = mpf.U32(entry + 4);
        const auto value = mpf.U32(entry + 8);
        if (!tag || !type || !fieldCount || !value)
            return std::string("its MP index lies outside its segment");
        if (*tag == kNumberTag)
            number = value;
        else if (*tag == kEntriesTag) {
            entriesCount = fieldCount;
            entriesAt = value;
        }
    }
    if (!number || !entriesCount || !entriesAt || *number == 0 || *number > kMostImages ||
        *entriesCount != kEntryBytes * *number)
        return std::string("its MP index names no pictures");
    std::vector<MpImage> images;
    for (std::uint32_t i = 0; i < *number; ++i) {
        const std::uint64_t entry = *entriesAt + kEntryBytes * i;
        const auto attribute = mpf.U32(entry), size = mpf.U32(entry + 4), offset = mpf.U32(entry + 8);
        if (!attribute || !size || !offset)
            return std::string("its MP entries lie outside their segment");
        // The first picture is the file's start; the others count from the
        // byte-order mark.
        MpImage image{*attribute, i == 0 ? 0 : base + *offset, *size};
        if (!bytes.Has(image.at, image.size) || image.size < 4)
            return std::string("picture ") + std::to_string(i + 1) + " of its MP index lies outside the file";
        if (const auto frame = JpegFrameSize(bytes, image.at))
            std::tie(image.width, image.height) = *frame;
        images.push_back(image);
    }
    std::vector<MpImage> inOrder = images;
    std::sort(inOrder.begin(), inOrder.end(), [](const MpImage& a, const MpImage& b) { return a.at < b.at; });
    for (std::size_t i = 1; i < inOrder.size(); ++i)
        if (inOrder[i].at < inOrder[i - 1].at + inOrder[i - 1].size)
            return std::string("pictures of its MP index overlap");
    return images;
}

// Big-endian bytes.
void Put(std::vector<std::uint8_t>& out, std::uint32_t value, int count)
{
    for (int i = count - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(value >> 8 * i));
}

void PutEntry(std::vector<std::uint8_t>& out, std::uint16_t tag, std::uint16_t type, std::uint32_t count,
              std::uint32_t value)
{
    Put(out, tag, 2);
    Put(out, type, 2);
    Put(out, count, 4);
    Put(out, value, 4);
}

void PutVersion(std::vector<std::uint8_t>& out)
{
    Put(out, kVersionTag, 2);
    Put(out, kUndefined, 2);
    Put(out, 4, 4);
    for (char c : {'0', '1', '0', '0'})
        out.push_back(static_cast<std::uint8_t>(c));
}

// An attribute IFD at `at` (from the byte-order mark), with no IFD after it.
void PutAttributes(std::vector<std::uint8_t>& out, std::uint32_t individualNumber)
{
    Put(out, 3, 2);
    PutVersion(out);
    PutEntry(out, kIndividualNumberTag, kLong, 1, individualNumber);
    PutEntry(out, kBaseViewpointTag, kLong, 1, 1);
    Put(out, 0, 4);
}

constexpr std::uint32_t kIfdBytes = 2 + 3 * 12 + 4;

// The APP2 segment, marker and length included.
std::vector<std::uint8_t> MpfSegment(const std::vector<std::uint8_t>& payload)
{
    std::vector<std::uint8_t> segment = {0xFF, kApp2};
    Put(segment, static_cast<std::uint32_t>(2 + 4 + payload.size()), 2);
    for (char c : {'M', 'P', 'F', '\0'})
        segment.push_back(static_cast<std::uint8_t>(c));
    segment.insert(segment.end(), payload.begin(), payload.end());
    return segment;
}

// Where the MPF segment goes: after the SOI and a JFIF APP0 segment.
std::size_t MpfPlace(const std::vector<std::uint8_t>& jpeg)
{
    if (jpeg.size() >= 6 && jpeg[2] == 0xFF && jpeg[3] == kApp0)
        return std::min(jpeg.size(), 4 + (std::size_t{jpeg[4]} << 8 | jpeg[5]));
    return 2;
}

std::vector<std::uint8_t> Inserted(const std::vector<std::uint8_t>& jpeg, const std::vector<std::uint8_t>& segment,
                                   std::size_t at)
{
    std::vector<std::uint8_t> out(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(at));
    out.insert(out.end(), segment.begin(), segment.end());
    out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(at), jpeg.end());
    return out;
}

std::optional<std::pair<std::uint64_t, std::uint64_t>> MpfSegmentOf(FileBytes& bytes)
{
    return FindJpegSegment(bytes, kApp2, kMpfId);
}

} // namespace

bool HasMpIndex(FileBytes& bytes)
{
    return MpfSegmentOf(bytes).has_value();
}

std::variant<std::vector<MpImage>, std::string> ReadMpIndex(FileBytes& bytes)
{
    const auto segment = MpfSegmentOf(bytes);
    if (!segment)
        return std::string("it holds no MP index: not a multi-picture file");
    return ReadIndex(bytes, segment->first, segment->second);
}

std::variant<std::pair<MpImage, MpImage>, std::string> StereoImages(const std::vector<MpImage>& images)
{
    std::vector<MpImage> views, pictures;
    for (const MpImage& image : images) {
        if (image.Type() == kMpDisparity || image.Type() == kMpMultiAngle)
            views.push_back(image);
        if (image.Type() != kMpLargeThumbnail && image.Type() != kMpFullHdThumbnail)
            pictures.push_back(image);
    }
    // Some programs mark a pair's pictures only as the primary one and an
    // undefined one: two pictures that are no thumbnails are the eyes then,
    // unless their sizes tell a photo from its gain map or depth image.
    const auto oneSize = [](const MpImage& a, const MpImage& b) {
        return a.width == 0 || b.width == 0 || (a.width == b.width && a.height == b.height);
    };
    if (views.size() < 2 && pictures.size() >= 2 && oneSize(pictures[0], pictures[1]))
        views = pictures;
    if (views.size() < 2)
        return std::string(images.size() < 2 ? "it holds a single picture, not a stereo pair"
                                              : "it holds no two views of a stereo pair");
    return std::make_pair(views[0], views[1]);
}

std::vector<std::uint8_t> BuildStereoMpo(const std::vector<std::uint8_t>& left, const std::vector<std::uint8_t>& right)
{
    // The second picture's segment: the header and its attributes.
    std::vector<std::uint8_t> second = {'M', 'M', 0, '*'};
    Put(second, 8, 4);
    PutAttributes(second, 2);
    const std::vector<std::uint8_t> secondSegment = MpfSegment(second);

    // The first's: the header, the index, its two entries, its attributes.
    const std::uint32_t entriesAt = 8 + kIfdBytes, attributesAt = entriesAt + 2 * kEntryBytes;
    const std::uint32_t firstSegmentBytes = 2 + 2 + 4 + attributesAt + kIfdBytes;
    const std::size_t firstPlace = MpfPlace(left);
    const std::uint32_t firstSize = static_cast<std::uint32_t>(left.size() + firstSegmentBytes);
    const std::uint32_t byteOrderMark = static_cast<std::uint32_t>(firstPlace + 8);
    std::vector<std::uint8_t> first = {'M', 'M', 0, '*'};
    Put(first, 8, 4);
    Put(first, 3, 2);
    PutVersion(first);
    PutEntry(first, kNumberTag, kLong, 1, 2);
    PutEntry(first, kEntriesTag, kUndefined, 2 * kEntryBytes, entriesAt);
    Put(first, attributesAt, 4);
    Put(first, kRepresentative | kMpDisparity, 4);
    Put(first, firstSize, 4);
    Put(first, 0, 4);
    Put(first, 0, 4);
    Put(first, kMpDisparity, 4);
    Put(first, static_cast<std::uint32_t>(right.size() + secondSegment.size()), 4);
    Put(first, firstSize - byteOrderMark, 4);
    Put(first, 0, 4);
    PutAttributes(first, 1);

    std::vector<std::uint8_t> file = Inserted(left, MpfSegment(first), firstPlace);
    const std::vector<std::uint8_t> secondFile = Inserted(right, secondSegment, MpfPlace(right));
    file.insert(file.end(), secondFile.begin(), secondFile.end());
    return file;
}

} // namespace velmora
