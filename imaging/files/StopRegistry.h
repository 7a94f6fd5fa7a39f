// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <set>

namespace velmora {

// Paths that a stopped process removes as it exits (temporary files not yet
// renamed into place, private folders), and whether it is stopping, after
// which nothing new may be made. There is one registry of each kind per
// process, because the thread that handles a stop signal removes every path
// the process made, whichever thread made it.
template <typename Path>
struct StopRegistry {
    std::mutex mutex; // guards what follows
    std::set<Path> paths;
    bool stopping = false;

    // A registry that is never destroyed: a stopping process may remove the
    // paths while its static objects are being destroyed.
    static StopRegistry& Leaked() { return *std::make_unique<StopRegistry>().release(); }

    // From now on nothing new is registered; every path is removed.
    void StopAndRemove(const std::function<void(const Path&)>& remove)
    {
        std::lock_guard lock(mutex);
        stopping = true;
        for (const Path& path : paths)
            remove(path);
        paths.clear();
    }
};

} // namespace velmora
