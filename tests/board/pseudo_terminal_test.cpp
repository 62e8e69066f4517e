// The emulator's pseudo-terminal comes whole or not at all.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>

#include <cerrno>
#include <exception>
#include <system_error>

#include "board/emulator_server.h"

namespace velkor {
namespace {

int OpenDescriptors() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') ++n;
    closedir(d);
  }
  return n;
}

// With room for the master and none for the keeper, the set-up fails and
// leaves nothing open (it once went on with a keeper of -1, the master kept).
TEST(PseudoTerminal, NoDescriptorForTheKeeperFailsWithNothingLeftOpen) {
  const int lowest = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(lowest, 0);
  ::close(lowest);
  const int before = OpenDescriptors();
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit tight = saved;
  tight.rlim_cur = static_cast<rlim_t>(lowest) + 1;  // the master's number, no other
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
  std::exception_ptr failure;
  try {
    PseudoTerminal pty = openPseudoTerminal();
  } catch (...) {
    failure = std::current_exception();
  }
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
  // Looked at once descriptors can be had again: UBSan needs one to check a
  // virtual call.
  int error = 0;
  try {
    if (failure) std::rethrow_exception(failure);
  } catch (const std::system_error& e) {
    error = e.code().value();
  }
  EXPECT_EQ(error, EMFILE);
  EXPECT_EQ(OpenDescriptors(), before);
}

}  // namespace
}  // namespace velkor
