// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <sys/types.h>

#include <cstddef>

namespace velmora {

// The system calls through which every file is written. They are the
// system's own; tests put failing ones in place for a while to check that
// each failure is caught and leaves the target as it was. One set for the
// whole process, as the calls themselves are: a write deep inside the image
// library's encoders reaches them with no way to be handed anything.
struct SystemCalls {
    ssize_t (*pwrite)(int descriptor, const void* bytes, std::size_t count, off_t offset);
    int (*fsync)(int descriptor);
    int (*close)(int descriptor);
    int (*rename)(const char* from, const char* to);
};

const SystemCalls& ActiveSystemCalls();

// Puts `calls` in place while it lives.
class ScopedSystemCalls {
public:
    explicit ScopedSystemCalls(const SystemCalls& calls);
    ~ScopedSystemCalls();
    ScopedSystemCalls(const ScopedSystemCalls&) = delete;
    ScopedSystemCalls& operator=(const ScopedSystemCalls&) = delete;

private:
    SystemCalls previous_;
};

} // namespace velmora
