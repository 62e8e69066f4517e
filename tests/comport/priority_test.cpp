// Priorities as an ordinary user has them: Debian gives no RLIMIT_NICE, so
// nothing can be raised. Run as root, the test drops to uid/gid 65534 in a
// child first.
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <functional>

#include "pty.h"
#include "runtime/thread_priority.h"

namespace velkor::test {
namespace {

// The exit code of `body` run in a child as an ordinary user without
// RLIMIT_NICE; 100 when the child could not become one.
int RunAsOrdinaryUser(const std::function<int()>& body) {
  const pid_t child = fork();
  if (child == 0) {
    const rlimit noRaise{0, 0};
    int code = 100;
    if (setrlimit(RLIMIT_NICE, &noRaise) == 0 &&
        (geteuid() != 0 || (setgroups(0, nullptr) == 0 && setresgid(65534, 65534, 65534) == 0 &&
                            setresuid(65534, 65534, 65534) == 0)))
      code = body();
    _exit(code);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return 101;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int NiceOf(std::uint32_t tid) { return getpriority(PRIO_PROCESS, static_cast<id_t>(tid)); }

// A high class and the time-critical event thread cannot be had: everything
// stays where it was (it once dropped to nice 19), and stays so after closing.
TEST(ComPortPriority, WhatAnOrdinaryUserCannotRaiseStaysAsItWas) {
  const int code = RunAsOrdinaryUser([] {
    TMainLoop loop;
    PtyPair pty;
    Recorder rec;
    TComPort port(nullptr);
    const int before = NiceOf(CurrentThreadId());
    port.SetDeviceName(pty.Path());
    port.SetPriorityClass(pcHigh);
    port.SetOnRxChar(TNotifyEvent(&rec, &Recorder::RxChar));
    port.Open();
    if (NiceOf(CurrentThreadId()) != before) return 1;
    if (NiceOf(port.EventThreadId()) != before) return 2;
    port.Close();
    if (NiceOf(CurrentThreadId()) != before) return 3;
    return 0;
  });
  EXPECT_EQ(code, 0) << "1: process lowered while open, 2: event thread lowered, 3: not restored";
}

}  // namespace
}  // namespace velkor::test
