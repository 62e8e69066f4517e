// Thread identifiers and priorities of the platform, for TThread. On Linux a
// thread's priority is its own nice value, and what this user may not raise
// stays as it was: an ordinary user (RLIMIT_NICE 0 on Debian) keeps the nice
// values it has rather than being pushed to the lowest.
#pragma once

#include <cstdint>
#include <optional>

#include "runtime/runtime.h"

namespace velkor {

// The kernel's identifier of the calling thread.
std::uint32_t CurrentThreadId();
// Sets the priority of a thread of this process; false when it is refused.
bool SetThreadPriorityOf(std::uint32_t threadId, TThreadPriority priority);

#ifndef _WIN32
// A thread's nice value; none when the thread is gone.
std::optional<int> NiceOf(std::uint32_t threadId);
// Sets a thread's nice value as far as this user may: a raise refused goes
// as far as RLIMIT_NICE allows, and never below where the thread was.
void SetNiceAsAllowed(std::uint32_t threadId, int nice);
#endif

}  // namespace velkor
