// Priority calls of the POSIX layer. Linux gives each thread its own nice
// value: a process class is a nice value given to every thread, and a thread
// priority one given to that thread. What this user may not raise stays as it
// was: an ordinary user (RLIMIT_NICE 0 on Debian) keeps the nice values it has
// rather than being pushed to the lowest.
#include <dirent.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "handles.h"
#include "win32_posix.h"

namespace velkor::posix {
namespace {

int NiceForClass(DWORD cls) {
  switch (cls) {
    case IDLE_PRIORITY_CLASS: return 19;
    case BELOW_NORMAL_PRIORITY_CLASS: return 10;
    case ABOVE_NORMAL_PRIORITY_CLASS: return -5;
    case HIGH_PRIORITY_CLASS: return -10;
    case REALTIME_PRIORITY_CLASS: return -20;
    default: return 0;
  }
}

DWORD ClassForNice(int nice) {
  if (nice >= 15) return IDLE_PRIORITY_CLASS;
  if (nice >= 5) return BELOW_NORMAL_PRIORITY_CLASS;
  if (nice > -3) return NORMAL_PRIORITY_CLASS;
  if (nice > -8) return ABOVE_NORMAL_PRIORITY_CLASS;
  if (nice > -15) return HIGH_PRIORITY_CLASS;
  return REALTIME_PRIORITY_CLASS;
}

int NiceForThreadPriority(int prio) {
  if (prio <= -15) return 19;
  if (prio >= 15) return -20;
  switch (prio) {
    case -2: return 10;
    case -1: return 5;
    case 1: return -5;
    case 2: return -10;
    default: return 0;
  }
}

int ThreadPriorityForNice(int nice) {
  if (nice >= 15) return -15;
  if (nice >= 8) return -2;
  if (nice >= 3) return -1;
  if (nice > -3) return 0;
  if (nice > -8) return 1;
  if (nice > -15) return 2;
  return 15;
}

std::optional<int> NiceOf(pid_t tid) {
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
  if (errno != 0) return std::nullopt;
  return nice;
}

// Sets a thread's nice value as far as this user may: a raise refused goes
// as far as RLIMIT_NICE allows, and never below where the thread was.
void SetNiceAsAllowed(pid_t tid, int nice) {
  if (setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice) == 0) return;
  const std::optional<int> current = NiceOf(tid);
  rlimit rl{};
  if (!current || getrlimit(RLIMIT_NICE, &rl) != 0) return;
  const int floor =
      rl.rlim_cur == RLIM_INFINITY ? -20 : 20 - static_cast<int>(std::min<rlim_t>(rl.rlim_cur, 40));
  const int allowed = std::max(nice, floor);
  if (allowed < *current) setpriority(PRIO_PROCESS, static_cast<id_t>(tid), allowed);
}

std::vector<pid_t> ProcessThreads() {
  std::vector<pid_t> tids;
  if (DIR* d = opendir("/proc/self/task")) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') tids.push_back(static_cast<pid_t>(std::atoi(e->d_name)));
    closedir(d);
  }
  if (tids.empty()) tids.push_back(getpid());
  return tids;
}

pid_t Gettid() { return static_cast<pid_t>(syscall(SYS_gettid)); }

// The nice values from before the first change of class, so that going back
// to that class gives each thread its own value back, not the class's.
struct ClassBefore {
  DWORD cls;
  int processNice;
  std::map<pid_t, int> nices;
};
std::mutex gClassMutex;
std::optional<ClassBefore> gClassBefore;

}  // namespace
}  // namespace velkor::posix

using namespace velkor::posix;

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)); }

DWORD GetPriorityClass(HANDLE) { return ClassForNice(NiceOf(getpid()).value_or(0)); }

BOOL SetPriorityClass(HANDLE, DWORD cls) {
  std::lock_guard lk(gClassMutex);
  const std::vector<pid_t> threads = ProcessThreads();
  if (gClassBefore && cls == gClassBefore->cls) {
    for (pid_t tid : threads) {
      const auto it = gClassBefore->nices.find(tid);
      SetNiceAsAllowed(tid, it != gClassBefore->nices.end() ? it->second : gClassBefore->processNice);
    }
    gClassBefore.reset();
    return TRUE;
  }
  if (!gClassBefore) {
    ClassBefore before{GetPriorityClass(GetCurrentProcess()), NiceOf(getpid()).value_or(0), {}};
    for (pid_t tid : threads)
      if (const std::optional<int> nice = NiceOf(tid)) before.nices[tid] = *nice;
    gClassBefore = std::move(before);
  }
  for (pid_t tid : threads) SetNiceAsAllowed(tid, NiceForClass(cls));
  return TRUE;
}

DWORD GetCurrentThreadId() { return static_cast<DWORD>(Gettid()); }

HANDLE ThreadHandleFromId(DWORD id) { return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(id)); }

BOOL SetThreadPriority(HANDLE thread, int priority) {
  const auto tid = static_cast<pid_t>(reinterpret_cast<std::uintptr_t>(thread));
  if (tid <= 0) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
  SetNiceAsAllowed(tid, NiceForThreadPriority(priority));
  return TRUE;
}

int GetThreadPriority(HANDLE thread) {
  const auto tid = static_cast<pid_t>(reinterpret_cast<std::uintptr_t>(thread));
  return ThreadPriorityForNice(NiceOf(tid).value_or(0));
}
