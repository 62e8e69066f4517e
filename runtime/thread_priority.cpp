#include "runtime/thread_priority.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#endif

namespace velkor {

#ifdef _WIN32

std::uint32_t CurrentThreadId() { return ::GetCurrentThreadId(); }

bool SetThreadPriorityOf(std::uint32_t threadId, TThreadPriority priority) {
  // std::thread's handle is a pthread_t under MinGW: open the thread by its id.
  HANDLE h = ::OpenThread(THREAD_SET_INFORMATION, FALSE, threadId);
  const bool set = h && ::SetThreadPriority(h, ThreadPriorityValue(priority));
  if (h) ::CloseHandle(h);
  return set;
}

#else

namespace {

// The nice value of each priority, tpIdle to tpTimeCritical.
constexpr int kNiceValues[] = {19, 10, 5, 0, -5, -10, -20};
static_assert(std::size(kNiceValues) == tpTimeCritical + 1);

}  // namespace

std::uint32_t CurrentThreadId() { return static_cast<std::uint32_t>(::syscall(SYS_gettid)); }

std::optional<int> NiceOf(std::uint32_t threadId) {
  errno = 0;
  const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(threadId));
  if (errno != 0) return std::nullopt;
  return nice;
}

void SetNiceAsAllowed(std::uint32_t threadId, int nice) {
  if (::setpriority(PRIO_PROCESS, static_cast<id_t>(threadId), nice) == 0) return;
  const std::optional<int> current = NiceOf(threadId);
  rlimit rl{};
  if (!current || ::getrlimit(RLIMIT_NICE, &rl) != 0) return;
  const int floor =
      rl.rlim_cur == RLIM_INFINITY ? -20 : 20 - static_cast<int>(std::min<rlim_t>(rl.rlim_cur, 40));
  const int allowed = std::max(nice, floor);
  if (allowed < *current) ::setpriority(PRIO_PROCESS, static_cast<id_t>(threadId), allowed);
}

bool SetThreadPriorityOf(std::uint32_t threadId, TThreadPriority priority) {
  if (threadId == 0) return false;
  SetNiceAsAllowed(threadId, kNiceValues[priority]);
  return true;
}

#endif

}  // namespace velkor
