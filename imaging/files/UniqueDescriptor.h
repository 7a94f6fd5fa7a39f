// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <unistd.h>

#include <utility>

namespace velmora {

// A file descriptor, closed when the owner goes out of scope unless it was
// handed on (Release).
class UniqueDescriptor {
public:
    explicit UniqueDescriptor(int descriptor) : descriptor_(descriptor) {}
    ~UniqueDescriptor()
    {
        if (descriptor_ >= 0)
            close(descriptor_);
    }
    UniqueDescriptor(UniqueDescriptor&& other) noexcept
        : descriptor_(other.Release())
    {
    }
    UniqueDescriptor(const UniqueDescriptor&) = delete;
    UniqueDescriptor& operator=(const UniqueDescriptor&) = delete;

    explicit operator bool() const { return descriptor_ >= 0; }
    int Get() const { return descriptor_; }
    // The descriptor, now the caller's to close.
    int Release() { return std::exchange(descriptor_, -1); }

private:
    int descriptor_;
};

} // namespace velmora
