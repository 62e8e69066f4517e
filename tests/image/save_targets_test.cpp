// Saves onto what is not a plain file of the saver's own: named pipes,
// devices, links, files of other users. None is ever replaced by a file of
// the saver's; each gets what a plain write would give it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>

#include "image/messages.h"
#include "image/safe_write.h"
#include "support/child_process.h"
#include "support/row_names.h"
#include "support/temp_dir.h"

namespace velkor {
namespace {

namespace fs = std::filesystem;
using testing_support::asUser;
using testing_support::inChild;
using testing_support::readBytes;
using testing_support::report;
using testing_support::TempDir;
using testing_support::writeBytes;

struct stat statusOf(const fs::path& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return st;
}

// "" when the save went through, else why not.
std::string saved(const fs::path& target, std::string_view bytes) {
  const auto error = writeFileSafely(target, bytes);
  return error ? "refused: " + *error : "";
}

int entries(const fs::path& folder) {
  int n = 0;
  for ([[maybe_unused]] auto& e : fs::directory_iterator(folder)) ++n;
  return n;
}

// An ACL giving uid 65533 read and write, in the kernel's xattr layout.
std::string aclForAnotherUser() {
  std::string acl("\x02\0\0\0", 4);
  auto entry = [&](std::uint16_t tag, std::uint16_t perm, std::uint32_t id) {
    for (std::uint32_t v : {std::uint32_t(tag) | std::uint32_t(perm) << 16, id})
      for (int i = 0; i < 4; ++i) acl += static_cast<char>(v >> (8 * i));
  };
  entry(0x01, 6, ~0u);    // owner rw
  entry(0x02, 6, 65533);  // that user rw
  entry(0x04, 4, ~0u);    // group r
  entry(0x10, 6, ~0u);    // mask rw
  entry(0x20, 0, ~0u);    // others nothing
  return acl;
}

std::string attribute(const fs::path& file, const char* name) {
  char value[256];
  const ssize_t n = ::getxattr(file.c_str(), name, value, sizeof value);
  return n < 0 ? "none" : std::string(value, static_cast<std::size_t>(n));
}

struct TargetRow {
  const char* what;
  std::string (*check)(const fs::path& folder);
};

class SaveTarget : public testing::TestWithParam<TargetRow> {};

TEST_P(SaveTarget, GetsWhatAPlainWriteWouldGive) {
  TempDir dir;
  EXPECT_EQ(GetParam().check(dir.path()), "") << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SaveTarget,
    testing::Values(
        TargetRow{"named pipe with a reader gets the bytes and stays a pipe",
                  [](const fs::path& folder) -> std::string {
                    ::mkfifo((folder / "tube").c_str(), 0600);
                    const int reader = ::open((folder / "tube").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
                    std::string failure = saved(folder / "tube", "new\r\n");
                    char got[16] = {};
                    const ssize_t n = ::read(reader, got, sizeof got);
                    ::close(reader);
                    if (failure.empty() && std::string(got, n > 0 ? n : 0) != "new\r\n")
                      failure = "read: " + std::string(got);
                    return S_ISFIFO(statusOf(folder / "tube").st_mode) ? failure : "replaced by a file";
                  }},
        TargetRow{"named pipe nobody reads is refused without waiting",
                  [](const fs::path& folder) -> std::string {
                    ::mkfifo((folder / "tube").c_str(), 0600);
                    const auto error = writeFileSafely(folder / "tube", "new");
                    if (!S_ISFIFO(statusOf(folder / "tube").st_mode)) return "replaced by a file";
                    return error == std::string(msg::kNobodyReadsThePipe) ? "" : "told: " + error.value_or("nothing");
                  }},
        TargetRow{"named pipe whose reader leaves half-way is a failure, not a signal",
                  [](const fs::path& folder) -> std::string {
                    ::mkfifo((folder / "tube").c_str(), 0600);
                    const int status = inChild([&] {
                      const int reader = ::open((folder / "tube").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
                      std::thread leaver([reader] {
                        pollfd p{reader, POLLIN, 0};
                        ::poll(&p, 1, 5000);
                        char some[10];
                        [[maybe_unused]] const ssize_t n = ::read(reader, some, sizeof some);
                        ::close(reader);
                      });
                      const auto error = writeFileSafely(folder / "tube", std::string(1 << 20, 'x'));
                      leaver.join();
                      return report(
                          error == std::string(msg::kReaderLeftThePipe) ? "" : "told: " + error.value_or("nothing"));
                    });
                    return status == 0 ? "" : "child ended with " + std::to_string(status);
                  }},
        TargetRow{"link to nothing creates its target and stays a link",
                  [](const fs::path& folder) -> std::string {
                    fs::create_directory(folder / "sub");
                    fs::create_symlink("sub/neuf.prg", folder / "lien");
                    if (std::string failure = saved(folder / "lien", "new"); !failure.empty()) return failure;
                    if (!fs::is_symlink(fs::symlink_status(folder / "lien"))) return "the link was replaced";
                    return readBytes(folder / "sub" / "neuf.prg") == "new" ? "" : "the target was not written";
                  }},
        TargetRow{"circle of links is refused and left as it was",
                  [](const fs::path& folder) -> std::string {
                    fs::create_symlink("b", folder / "a");
                    fs::create_symlink("a", folder / "b");
                    if (saved(folder / "a", "new").empty()) return "written";
                    const bool links = fs::is_symlink(fs::symlink_status(folder / "a"));
                    return links && entries(folder) == 2 ? "" : "the links changed";
                  }},
        TargetRow{"file nobody may write is refused, root included",
                  [](const fs::path& folder) -> std::string {
                    writeBytes(folder / "prog", "old");
                    ::chmod((folder / "prog").c_str(), 0444);
                    const auto error = writeFileSafely(folder / "prog", "new");
                    if (readBytes(folder / "prog") != "old") return "the file changed";
                    return error == std::string(msg::kReadOnlyFile) ? "" : "told: " + error.value_or("nothing");
                  }},
        TargetRow{"ACL and extended attributes stay",
                  [](const fs::path& folder) -> std::string {
                    const fs::path file = folder / "prog";
                    writeBytes(file, "old");
                    ::chmod(file.c_str(), 0640);
                    const std::string acl = aclForAnotherUser();
                    if (::setxattr(file.c_str(), "user.velkor", "1", 1, 0) != 0 ||
                        ::setxattr(file.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0)
                      return errno == ENOTSUP ? "" : std::string("setxattr: ") + std::strerror(errno);
                    if (std::string failure = saved(file, "new"); !failure.empty()) return failure;
                    if (readBytes(file) != "new") return "not written";
                    if (attribute(file, "user.velkor") != "1") return "the extended attribute was lost";
                    if (attribute(file, "system.posix_acl_access") != acl) return "the ACL was lost";
                    return (statusOf(file).st_mode & 07777) == 0660 ? "" : "the mode changed";
                  }}),
    testing_support::RowIndexName());

// ---- Nodes and owners only root can set up --------------------------------

constexpr uid_t kNobody = testing_support::kNobody;

class SaveTargetAsRoot : public testing::TestWithParam<TargetRow> {};

TEST_P(SaveTargetAsRoot, GetsWhatAPlainWriteWouldGive) {
  if (::geteuid() != 0) GTEST_SKIP() << "device nodes, other owners and mounts need root";
  TempDir dir;
  EXPECT_EQ(GetParam().check(dir.path()), "") << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SaveTargetAsRoot,
    testing::Values(TargetRow{"device node stays a device",
                              [](const fs::path& folder) -> std::string {
                                const fs::path null = folder / "null";  // the bytes go nowhere, as to /dev/null
                                if (::mknod(null.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0) return "no mknod";
                                if (std::string failure = saved(null, "new"); !failure.empty()) return failure;
                                const struct stat st = statusOf(null);
                                return S_ISCHR(st.st_mode) && st.st_rdev == ::makedev(1, 3) ? "" : "replaced by a file";
                              }},
                    TargetRow{"another user's file in a sticky folder is written in place",
                              [](const fs::path& folder) -> std::string {
                                const fs::path shared = folder / "tmp", file = shared / "prog";
                                fs::create_directory(shared);
                                ::chmod(shared.c_str(), 01777);
                                writeBytes(file, "old");
                                ::chmod(file.c_str(), 0666);
                                if (asUser(folder, [&] { return saved(file, "new"); }) != 0)
                                  return "refused as uid 65534";
                                if (readBytes(file) != "new") return "not written";
                                return statusOf(file).st_uid == 0 && entries(shared) == 1 ? "" : "replaced";
                              }},
                    TargetRow{"group-writable file of another user keeps its owner",
                              [](const fs::path& folder) -> std::string {
                                const fs::path file = folder / "prog";
                                writeBytes(file, "old");
                                if (::chown(file.c_str(), 0, kNobody) != 0 || ::chmod(file.c_str(), 0664) != 0)
                                  return "no chown";
                                if (asUser(folder, [&] { return saved(file, "new"); }) != 0)
                                  return "refused as uid 65534";
                                if (readBytes(file) != "new") return "not written";
                                const struct stat st = statusOf(file);
                                if (st.st_uid != 0 || st.st_gid != kNobody)
                                  return "owner now " + std::to_string(st.st_uid);
                                return (st.st_mode & 07777) == 0664 && entries(folder) == 1 ? "" : "replaced";
                              }},
                    TargetRow{"file mounted over is written in place",
                              [](const fs::path& folder) -> std::string {
                                const fs::path source = folder / "source", file = folder / "prog";
                                writeBytes(source, "old");
                                writeBytes(file, "hidden");
                                const int status = inChild([&] {
                                  if (::unshare(CLONE_NEWNS) != 0 ||
                                      ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                                      ::mount(source.c_str(), file.c_str(), nullptr, MS_BIND, nullptr) != 0)
                                    return testing_support::kSkip;
                                  return report(saved(file, "new"));
                                });
                                if (status == testing_support::kSkip) return "";  // no mount namespace here
                                if (status != 0) return "refused";
                                return readBytes(source) == "new" && readBytes(file) == "hidden"
                                           ? ""
                                           : "not written in place";
                              }}),
    testing_support::RowIndexName());

}  // namespace
}  // namespace velkor
