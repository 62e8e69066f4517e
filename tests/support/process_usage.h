// What this process has used so far, for the tests that bound what a
// window or a transfer costs (Linux only: getrusage and /proc).
#pragma once

#include <sys/resource.h>

#include <fstream>
#include <string>

namespace velkor::testing_support {

// User and system CPU seconds.
inline double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Resident memory in MB; 0 where /proc does not tell.
inline double residentMb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024;
  return 0;
}

}  // namespace velkor::testing_support
