// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/files/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace velmora {
namespace {

OpenedFile Refused(std::string reason)
{
    return {UniqueDescriptor(-1), 0, Failure(FileProblem::kUnreadable, std::move(reason))};
}

} // namespace

OpenedFile OpenForReading(const std::string& path)
{
    OpenedFile file {UniqueDescriptor(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)), 0, {}};
    const int descriptor = file.descriptor.Get();
    struct stat info { };
    if (descriptor < 0 || fstat(descriptor, &info) != 0)
        return Refused(std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        return Refused(S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : reasons::kNotRegularFile);
    const int flags = fcntl(descriptor, F_GETFL);
    if (flags < 0 || fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0)
        return Refused(std::strerror(errno));
    file.size = static_cast<std::uint64_t>(info.st_size);
    return file;
}

} // namespace velmora
