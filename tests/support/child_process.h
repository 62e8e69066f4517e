// Running part of a test in a forked child: a crash, a mount namespace or a
// user without privileges stays there. POSIX only.
#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>


namespace velkor::testing_support {

// The exit code a child returns when the system refuses what it needs.
constexpr int kSkip = 77;
// The user without privileges the tests drop to when run as root.
constexpr uid_t kNobody = 65534;

// Runs `body` in a forked child; its exit code comes back, 1000 + the signal
// that ended it, or -1 when no child could be had.
inline int inChild(const std::function<int()>& body) {
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) ::_exit(body());
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child) return -1;
  if (WIFSIGNALED(status)) return 1000 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

// A child's verdict: 0 when `failure` is empty, else 1 with it on stderr.
inline int report(const std::string& failure) {
  if (failure.empty()) return 0;
  std::fprintf(stderr, "%s\n", failure.c_str());
  return 1;
}

// Runs `body` in a child that works in `dir` as a user without privileges:
// when the tests run as root (who passes every permission check) the child
// drops to uid/gid 65534, to whom `dir` is given first. 0 when `body` found
// nothing wrong (it returns an empty string); else what it found is printed.
inline int asUser(const std::filesystem::path& dir, const std::function<std::string()>& body) {
  if (::geteuid() == 0 && ::chown(dir.c_str(), kNobody, kNobody) != 0) return -2;
  return inChild([&] {
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
                             ::setresuid(kNobody, kNobody, kNobody) != 0))
      return report(std::string("cannot drop privileges: ") + std::strerror(errno));
    if (::geteuid() == 0) return report("still root");
    return report(body());
  });
}

}  // namespace velkor::testing_support
