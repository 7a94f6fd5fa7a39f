// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/BatchPictures.h"

#include "imaging/formats/ImageFile.h"
#include "imaging/stereo/TempFiles.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace velmora::cli {
namespace {

namespace fs = std::filesystem;

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A visible entry of a folder, and why it is no regular file (links
// followed); empty when it is one.
struct Entry {
    std::string name;
    std::string notAFile;

    bool operator<(const Entry& other) const { return name < other.name; }
};

std::string WhyNotAFile(const fs::directory_entry& entry)
{
    std::error_code error;
    const fs::file_status status = entry.status(error);
    if (error == std::errc::too_many_symbolic_link_levels)
        return "not a regular file (a loop of symbolic links)";
    switch (status.type()) {
    case fs::file_type::regular: return "";
    case fs::file_type::not_found: return "not a regular file (a symbolic link to nothing)";
    case fs::file_type::directory: return "not a regular file (a folder)";
    case fs::file_type::fifo: return "not a regular file (a FIFO)";
    case fs::file_type::socket: return "not a regular file (a socket)";
    case fs::file_type::block:
    case fs::file_type::character: return "not a regular file (a device)";
    default: return "not a regular file" + (error ? " (" + error.message() + ")" : std::string());
    }
}

// The visible entries of a folder, in order.
std::vector<Entry> Entries(const std::string& folder)
{
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error)
        throw std::runtime_error(folder + ": " + error.message());
    std::vector<Entry> found;
    for (const fs::directory_entry& entry : entries) {
        const std::string name = entry.path().filename().string();
        if (name.front() != '.')
            found.push_back({name, WhyNotAFile(entry)});
    }
    std::sort(found.begin(), found.end());
    return found;
}

// The names of the visible regular files of a folder, in order.
std::vector<std::string> FileNames(const std::vector<Entry>& entries)
{
    std::vector<std::string> names;
    for (const Entry& entry : entries)
        if (entry.notAFile.empty())
            names.push_back(entry.name);
    return names;
}

// A depth map beside the picture: "stem + suffix" itself or with a picture
// extension of its own.
bool IsDepthMapName(const std::string& name, const std::string& suffix)
{
    return !suffix.empty() && (EndsWith(name, suffix) || (NamedAsPicture(name) && EndsWith(FileTitle(name), suffix)));
}

// Fills in the depth map from the names in `folder` that match `wanted`.
void ChooseDepthMap(BatchPicture& picture, const std::string& folder, const std::string& wanted, bool bareName,
                    const std::vector<std::string>& candidates)
{
    if (candidates.empty()) {
        const std::string path = (fs::path(folder) / wanted).string();
        picture.problem = "no depth map " + (bareName ? path + " or " : "") + path + ".*";
    } else if (candidates.size() > 1) {
        picture.problem = "several depth maps: " + candidates[0] + " and " + candidates[1];
    } else {
        picture.partner = (fs::path(folder) / candidates[0]).string();
    }
}

} // namespace

std::vector<BatchPicture> FindBatchPictures(const std::string& folder, const DepthMapPlace& depths)
{
    const std::vector<Entry> entries = Entries(folder);
    const std::vector<std::string> depthNames = FileNames(depths.folder.empty() ? entries : Entries(depths.folder));
    const std::string depthFolder = depths.folder.empty() ? folder : depths.folder;
    std::vector<BatchPicture> pictures;
    for (const auto& [name, notAFile] : entries) {
        if (!NamedAsPicture(name) || IsDepthMapName(name, depths.suffix))
            continue;
        BatchPicture picture;
        picture.image = (fs::path(folder) / name).string();
        picture.stem = FileTitle(name);
        if (!notAFile.empty()) {
            picture.problem = notAFile;
            pictures.push_back(std::move(picture));
            continue;
        }
        if (depths.made) {
            pictures.push_back(std::move(picture));
            continue;
        }
        // Beside the picture the suffix sets it apart; in a folder of its
        // own the depth map has the picture's stem.
        const std::string wanted = picture.stem + (depths.folder.empty() ? depths.suffix : "");
        std::vector<std::string> candidates;
        for (const std::string& depthName : depthNames)
            if ((depths.folder.empty() && depthName == wanted) ||
                (NamedAsPicture(depthName) && FileTitle(depthName) == wanted))
                candidates.push_back(depthName);
        ChooseDepthMap(picture, depthFolder, wanted, depths.folder.empty(), candidates);
        pictures.push_back(std::move(picture));
    }
    return pictures;
}

} // namespace velmora::cli
