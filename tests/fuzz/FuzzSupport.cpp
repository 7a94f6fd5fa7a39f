// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/fuzz/FuzzSupport.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace velmora::fuzz {
namespace {

[[noreturn]] void Stop(const char* what)
{
    std::fprintf(stderr, "fuzz target: %s: %s\n", what, std::strerror(errno));
    std::abort();
}

} // namespace

MemoryFile::MemoryFile() : descriptor_(memfd_create("fuzz-input", MFD_CLOEXEC))
{
    if (!descriptor_)
        Stop("no file in memory");
    path_ = "/proc/self/fd/" + std::to_string(descriptor_.Get());
}

void MemoryFile::Hold(const std::uint8_t* data, std::size_t size)
{
    if (ftruncate(descriptor_.Get(), 0) != 0)
        Stop("cannot empty the input file");
    for (std::size_t written = 0; written < size;) {
        const ssize_t got = pwrite(descriptor_.Get(), data + written, size - written, static_cast<off_t>(written));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            Stop("cannot write the input file");
        written += static_cast<std::size_t>(got);
    }
}

void Require(bool holds, const char* what)
{
    if (holds)
        return;
    std::fprintf(stderr, "fuzz target: broken: %s\n", what);
    std::abort();
}

} // namespace velmora::fuzz
