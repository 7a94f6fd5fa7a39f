// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/RunOptions.h"
#include "imaging/files/FileStatus.h"
#include "imaging/matching/RigGeometry.h"

#include <string>
#include <string_view>
#include <variant>

// A rig's geometry kept in a file of its own, so that what a card of a
// rig's pairs taught straightens every later pair of the rig, one at a
// time. Plain text, a line a value, every number written to round-trip
// exactly:
//
//   velmora-rig 1
//   size 640 480
//   lens -0.168
//   keystone 0.0012 -0.0003 0.0049 1.0021 -0.0457 0.0008 -0.0011
//   pairs 13
//
// Lines starting with # and empty lines are passed over.
namespace velmora {

std::string RigFileText(const RigGeometry& rig);

// The geometry the text gives, or why none, naming the line ("line 3: the
// lens is not a number").
std::variant<RigGeometry, std::string> ParseRigFile(std::string_view text);

// Reads a rig file (a regular file of at most kLargestRigFile bytes), or
// says why it cannot.
std::variant<RigGeometry, std::string> ReadRigFile(const std::string& path);

// Replaces the file at once with the rig's text, or leaves it as it was;
// a rig whose text ParseRigFile would refuse is not written.
FileStatus WriteRigFile(const RigGeometry& rig, const std::string& path, const RunOptions& options);

inline constexpr std::size_t kLargestRigFile = 64 * 1024;

} // namespace velmora
