// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/files/ReadableFile.h"

#include "imaging/files/FileStatus.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace velmora {

ReadableFile::ReadableFile(const std::string& path) : descriptor(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC))
{
    struct stat info {};
    if (!descriptor || fstat(descriptor.Get(), &info) != 0)
        problem = std::strerror(errno);
    else if (!S_ISREG(info.st_mode))
        problem = reasons::kNotRegularFile;
    else
        size = static_cast<std::uint64_t>(info.st_size);
}

} // namespace velmora
