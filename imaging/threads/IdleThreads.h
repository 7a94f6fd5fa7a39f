// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <functional>

namespace velmora {

// Runs task on a thread kept from earlier tasks, or on a new one when none
// is idle, and returns at once. Starting a thread costs as much as hundreds
// of rows of the quicker routines, and they run several times a second in
// a batch, so finished threads wait for the next task instead of ending.
// The task must not throw. When no thread can be had (none can start, or
// the program is ending) this throws and the task is not run; not to be
// called from the destructors of static objects.
void RunOnIdleThread(std::function<void()> task);

} // namespace velmora
