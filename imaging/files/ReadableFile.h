// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/files/UniqueDescriptor.h"

#include <cstdint>
#include <string>

namespace velmora {

// A regular file opened for reading, its size known, or why not ("No such
// file or directory", "not a regular file"). Opened without blocking, so
// that a FIFO cannot hang the program.
struct ReadableFile {
    explicit ReadableFile(const std::string& path);

    explicit operator bool() const { return problem.empty(); }

    UniqueDescriptor descriptor;
    std::uint64_t size = 0;
    std::string problem; // empty when open
};

} // namespace velmora
