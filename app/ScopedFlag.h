// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace velmora {

// Sets a flag for as long as it lives and clears it when it goes, on every
// way out of the scope.
class ScopedFlag {
public:
    explicit ScopedFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~ScopedFlag() { flag_ = false; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;

private:
    bool& flag_;
};

} // namespace velmora
