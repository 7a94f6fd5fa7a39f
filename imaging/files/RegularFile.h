// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/files/FileStatus.h"
#include "imaging/files/UniqueDescriptor.h"

#include <cstdint>
#include <string>

namespace velmora {

// A file open for reading and its size, or why it is not open.
struct OpenedFile {
    UniqueDescriptor descriptor {-1};
    std::uint64_t size = 0;
    FileStatus status;
};

// Opens a regular file for reading; anything else (a folder, a FIFO, a
// device) is refused as kUnreadable, as is a file the system will not open,
// with its reason. The file is opened without blocking, so that a FIFO cannot
// hang the program, and checked through the descriptor kept, so that what is
// checked is what is read.
OpenedFile OpenForReading(const std::string& path);

} // namespace velmora
