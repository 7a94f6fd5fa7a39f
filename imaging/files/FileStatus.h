// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>

namespace velmora {

// What went wrong with a file, if anything.
enum class FileProblem {
    kNone,
    kUnreadable, // missing, not a regular file, not a picture, damaged or cut short
    kTooLarge,   // its pixels would not fit within the picture size limit
    kUnwritable, // the write, the flush or the final rename failed
};

// The outcome of reading or writing a file: true when it worked; otherwise
// the problem and, for people, why ("No space left on device").
struct FileStatus {
    FileProblem problem = FileProblem::kNone;
    std::string reason;

    explicit operator bool() const { return problem == FileProblem::kNone; }
};

// Reasons in the file layer's own words, where the system has no errno.
namespace reasons {
inline constexpr const char* kNotRegularFile = "not a regular file";
inline constexpr const char* kUndecodable = "damaged, cut short or not a picture";
inline constexpr const char* kCutShort = "cut short";
} // namespace reasons

inline FileStatus Failure(FileProblem problem, std::string reason)
{
    return {problem, std::move(reason)};
}

} // namespace velmora
