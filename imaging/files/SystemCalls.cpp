// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/files/SystemCalls.h"

#include <stdio.h>
#include <unistd.h>

namespace velmora {
namespace {

// The process's one set (see SystemCalls).
SystemCalls& Active()
{
    static SystemCalls calls{::pwrite, ::fsync, ::close, ::rename};
    return calls;
}

} // namespace

const SystemCalls& ActiveSystemCalls()
{
    return Active();
}

ScopedSystemCalls::ScopedSystemCalls(const SystemCalls& calls) : previous_(Active())
{
    Active() = calls;
}

ScopedSystemCalls::~ScopedSystemCalls()
{
    Active() = previous_;
}

} // namespace velmora
