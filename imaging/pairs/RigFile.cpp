// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/pairs/RigFile.h"

#include "imaging/files/AtomicFile.h"
#include "imaging/files/RegularFile.h"
#include "imaging/formats/FileBytes.h"

#include <charconv>
#include <cmath>
#include <iterator>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

namespace velmora {
namespace {

constexpr std::string_view kMagic = "velmora-rig";
constexpr std::string_view kVersion = "1";
constexpr int kLargestSide = 1000000; // pixels; no camera's picture is wider or taller
// The keystone's values any rig has, in RigGeometry's order, far beyond
// what is found but short of folding the frame (the narrowings below a
// quarter keep every denominator above a half).
constexpr struct {
    double least, most;
} kKeystoneRange[] = {{-0.25, 0.25}, {-0.25, 0.25}, {-0.5, 0.5}, {0.5, 2}, {-1, 1}, {-0.25, 0.25}, {-0.25, 0.25}};
static_assert(std::size(kKeystoneRange) == std::tuple_size_v<decltype(RigGeometry::keystone)>);

std::string Shortest(double value)
{
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

std::vector<std::string_view> Words(std::string_view line)
{
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (true) {
        at = line.find_first_not_of(" \t\r", at);
        if (at == std::string_view::npos)
            return words;
        const std::size_t end = std::min(line.find_first_of(" \t\r", at), line.size());
        words.push_back(line.substr(at, end - at));
        at = end;
    }
}

template <typename Number> std::optional<Number> NumberIn(std::string_view word)
{
    Number value{};
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size())
        return std::nullopt;
    if constexpr (std::is_floating_point_v<Number>)
        if (!std::isfinite(value))
            return std::nullopt;
    return value;
}

// The values of one line, each checked; why not, without the line's number.
std::optional<std::string> Take(std::string_view key, const std::vector<std::string_view>& values, RigGeometry& rig)
{
    const auto count = [&](std::size_t wanted) -> std::optional<std::string> {
        if (values.size() == wanted)
            return std::nullopt;
        return std::string(key) + " takes " + std::to_string(wanted) + (wanted == 1 ? " value" : " values") + ", not " +
               std::to_string(values.size());
    };
    if (key == "size") {
        if (auto wrong = count(2))
            return wrong;
        const auto width = NumberIn<int>(values[0]), height = NumberIn<int>(values[1]);
        if (!width || !height || *width < 1 || *height < 1 || *width > kLargestSide || *height > kLargestSide)
            return "the size is not two whole numbers of pixels from 1 to " + std::to_string(kLargestSide);
        rig.width = *width;
        rig.height = *height;
        return std::nullopt;
    }
    if (key == "lens") {
        if (auto wrong = count(1))
            return wrong;
        const auto lens = NumberIn<double>(values[0]);
        if (!lens || !LensSearched(*lens))
            return "the lens is not a number from " + Shortest(kLensesSearched.from) + " to " +
                   Shortest(kLensesSearched.to);
        rig.lens = *lens;
        return std::nullopt;
    }
    if (key == "keystone") {
        if (auto wrong = count(rig.keystone.size()))
            return wrong;
        for (std::size_t i = 0; i < rig.keystone.size(); ++i) {
            const auto number = NumberIn<double>(values[i]);
            const auto [least, most] = kKeystoneRange[i];
            if (!number || *number < least || *number > most)
                return "the keystone's value " + std::to_string(i + 1) + " is not a number from " + Shortest(least) +
                       " to " + Shortest(most);
            rig.keystone[i] = *number;
        }
        return std::nullopt;
    }
    if (key == "pairs") {
        if (auto wrong = count(1))
            return wrong;
        const auto pairs = NumberIn<int>(values[0]);
        if (!pairs || *pairs < 1)
            return std::string("pairs is not a whole number above 0");
        rig.pairs = *pairs;
        return std::nullopt;
    }
    return "unknown line '" + std::string(key) + "'";
}

} // namespace

std::string RigFileText(const RigGeometry& rig)
{
    std::string text(kMagic);
    text.append(" ").append(kVersion).append("\n");
    text.append("# A stereo rig's geometry, learnt from its pairs: velmora-cli align --rig FILE straightens a pair "
                "of the rig from it.\n");
    text.append("size ").append(std::to_string(rig.width)).append(" ").append(std::to_string(rig.height));
    text.append("\nlens ").append(Shortest(rig.lens)).append("\nkeystone");
    for (const double value : rig.keystone)
        text.append(" ").append(Shortest(value));
    text.append("\npairs ").append(std::to_string(rig.pairs)).append("\n");
    return text;
}

std::variant<RigGeometry, std::string> ParseRigFile(std::string_view text)
{
    RigGeometry rig;
    bool named = false;
    std::map<std::string_view, int> seen; // key -> its line
    int number = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::vector<std::string_view> words = Words(text.substr(at, end - at));
        at = end + 1;
        ++number;
        const std::string where = "line " + std::to_string(number) + ": ";
        if (words.empty() || words[0].front() == '#')
            continue;
        if (!named) {
            if (words[0] != kMagic)
                return std::string("not a rig file (it does not begin with ") + std::string(kMagic) + ")";
            if (words.size() != 2 || words[1] != kVersion)
                return where + "a rig file of another version than this program reads (" + std::string(kVersion) + ")";
            named = true;
            continue;
        }
        if (const auto earlier = seen.find(words[0]); earlier != seen.end())
            return where + std::string(words[0]) + " again (first on line " + std::to_string(earlier->second) + ")";
        if (const auto wrong = Take(words[0], {words.begin() + 1, words.end()}, rig))
            return where + *wrong;
        seen.emplace(words[0], number);
    }
    if (!named)
        return std::string("not a rig file (it is empty)");
    for (const char* key : {"size", "lens", "keystone", "pairs"})
        if (seen.count(key) == 0)
            return std::string("the rig file has no ") + key + " line";
    return rig;
}

std::variant<RigGeometry, std::string> ReadRigFile(const std::string& path)
{
    const OpenedFile file = OpenForReading(path);
    if (!file.status)
        return file.status.reason;
    if (file.size > kLargestRigFile)
        return "not a rig file (" + std::to_string(file.size) + " bytes; a rig file has " +
               std::to_string(kLargestRigFile) + " at most)";
    FileBytes bytes(file.descriptor.Get(), file.size);
    std::string text;
    for (std::uint64_t at = 0; at < file.size; ++at) {
        const std::optional<std::uint32_t> byte = bytes.Byte(at);
        if (!byte)
            return std::string("cut short while it was read");
        text.push_back(static_cast<char>(*byte));
    }
    return ParseRigFile(text);
}

FileStatus WriteRigFile(const RigGeometry& rig, const std::string& path, const RunOptions& options)
{
    const std::string text = RigFileText(rig);
    // A file that could never be read back is no rig file.
    if (const auto read = ParseRigFile(text); const auto* why = std::get_if<std::string>(&read))
        return Failure(FileProblem::kUnwritable, "the rig's geometry is beyond what a rig file holds (" + *why + ")");
    return WriteFileBytes(path, {text.begin(), text.end()},
                          options.replaceLinks ? AtomicFile::Links::kReplace : AtomicFile::Links::kFollow);
}

} // namespace velmora
