// Priority class calls of the POSIX layer. Linux gives each thread its own
// nice value: a process class is a nice value given to every thread (thread
// priorities are the runtime's, runtime/thread_priority.h). What this user
// may not raise stays as it was.
#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "runtime/thread_priority.h"
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

std::vector<std::uint32_t> ProcessThreads() {
  std::vector<std::uint32_t> tids;
  if (DIR* d = opendir("/proc/self/task")) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') tids.push_back(static_cast<std::uint32_t>(std::atoi(e->d_name)));
    closedir(d);
  }
  if (tids.empty()) tids.push_back(static_cast<std::uint32_t>(getpid()));
  return tids;
}

// The nice values from before the first change of class, so that going back
// to that class gives each thread its own value back, not the class's.
struct ClassBefore {
  DWORD cls;
  int processNice;
  std::map<std::uint32_t, int> nices;
};
std::mutex gClassMutex;
std::optional<ClassBefore> gClassBefore;

}  // namespace
}  // namespace velkor::posix

using namespace velkor::posix;
using velkor::NiceOf;
using velkor::SetNiceAsAllowed;

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)); }

DWORD GetPriorityClass(HANDLE) { return ClassForNice(NiceOf(static_cast<std::uint32_t>(getpid())).value_or(0)); }

BOOL SetPriorityClass(HANDLE, DWORD cls) {
  std::lock_guard lk(gClassMutex);
  const std::vector<std::uint32_t> threads = ProcessThreads();
  if (gClassBefore && cls == gClassBefore->cls) {
    for (std::uint32_t tid : threads) {
      const auto it = gClassBefore->nices.find(tid);
      SetNiceAsAllowed(tid, it != gClassBefore->nices.end() ? it->second : gClassBefore->processNice);
    }
    gClassBefore.reset();
    return TRUE;
  }
  if (!gClassBefore) {
    const int processNice = NiceOf(static_cast<std::uint32_t>(getpid())).value_or(0);
    ClassBefore before{GetPriorityClass(GetCurrentProcess()), processNice, {}};
    for (std::uint32_t tid : threads)
      if (const std::optional<int> nice = NiceOf(tid)) before.nices[tid] = *nice;
    gClassBefore = std::move(before);
  }
  for (std::uint32_t tid : threads) SetNiceAsAllowed(tid, NiceForClass(cls));
  return TRUE;
}
