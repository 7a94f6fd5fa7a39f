// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <functional>

namespace velmora::test {

// Runs `checks` in a child process of one thread, for what cannot be undone
// or needs no other thread mapping memory meanwhile, and returns what they
// returned: a bit set for every check that failed, 0 when none did. -1 when
// the child could not be made or did not end by exiting.
int FailedChecksInChild(const std::function<int()>& checks);

// Whether anything maps the page at `page`: after memory is given back, in
// such a child, nothing else can have mapped it again.
bool IsMapped(const void* page);

} // namespace velmora::test
