// Saves that fail part-way: the previous file stays byte-identical, nothing
// half-written takes its place, the user is told and the program stays
// modified. Faults the system cannot be made to produce on demand (an I/O
// error mid-write, a crash before the rename) are injected through the file
// writer the save is given; the read-only filesystem and the full disk are
// real filesystems mounted in a private mount namespace when the test runs as
// root. And saves that must do what a plain write would (read-only file,
// read-only folder, hard link, umask), run as a user without privileges.
#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>

#include "image/safe_write.h"
#include "image/file_commands.h"
#include "image/program_file.h"
#include "image/system_errors.h"
#include "support/child_process.h"
#include "support/fake_dialogs.h"
#include "support/row_names.h"
#include "support/temp_dir.h"

namespace velkor {
// Every umask() call of this program passes here (see UmaskIsNeverChanged).
std::atomic<int> umaskCalls{0};
}  // namespace velkor

extern "C" mode_t umask(mode_t mask) noexcept {
  ++velkor::umaskCalls;
  return static_cast<mode_t>(::syscall(SYS_umask, mask));
}

namespace velkor {
namespace {

using testing_support::asUser;
using testing_support::FakeDialogs;
using testing_support::inChild;
using testing_support::kSkip;
using testing_support::report;
using testing_support::readBytes;
using testing_support::TempDir;
using testing_support::writeBytes;

int entries(const std::filesystem::path& folder) {
  int n = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

// A program saved before, and a changed one the user now saves over it.
std::string previousFile() {
  Program program;
  program.initialiserPages();
  program.construireImages();
  return serializeProgramFile(program.images);
}

void changeProgram(Program& program) {
  program.initialiserPages();
  program.document.choix01_01Select(FieldId::slot(2, 1), "EA3");
  program.document.zero1Click(FieldId::hold(9));
  ASSERT_TRUE(program.document.ProgramModified);
}

// What a faulty save must look like through "Sauvegarder": refused, reported
// once, still modified. Returns an empty string when so, else what is wrong.
std::string saveThroughTheCommandFails(const std::filesystem::path& target,
                                       const FileWriter& writer = systemFileWriter()) {
  Program program;
  changeProgram(program);
  FakeDialogs dialogs;
  dialogs.saveChoice = target;
  dialogs.answers = {true};  // overwrite the existing file
  if (sauvegarderProgramme(program, dialogs, {}, writer)) return "the save said it succeeded";
  if (dialogs.errors != 1) return "errors reported: " + std::to_string(dialogs.errors);
  if (dialogs.shown.back().find("Impossible d'enregistrer le fichier " + target.filename().string()) != 0)
    return "message: " + dialogs.shown.back();
  if (!program.document.ProgramModified) return "ProgramModified was cleared";
  return {};
}

// ---- Faults injected through the writer ---------------------------------

// The save's steps, each of which a fault may fail.
enum class Step { Write, Rename };
// Asked before each step: may shorten a write (`length`, as a short write
// does; never to 0) and returns 0 to go on or an errno value to fail with.
using Fault = int (*)(Step step, std::size_t& length);

// The system's calls, each after asking the fault.
class FaultyWriter : public FileWriter {
 public:
  explicit FaultyWriter(Fault fault) : fault_(fault) {}
  std::ptrdiff_t write(File fd, std::string_view bytes) const override {
    std::size_t length = bytes.size();
    if (const int e = fault_(Step::Write, length)) return errno = e, -1;
    return FileWriter::write(fd, bytes.substr(0, length));
  }
  bool rename(const std::filesystem::path& from, const std::filesystem::path& to) const override {
    std::size_t unused = 0;
    if (const int e = fault_(Step::Rename, unused)) return errno = e, false;
    return FileWriter::rename(from, to);
  }

 private:
  Fault fault_;
};

struct InjectedRow {
  const char* what;
  Fault hook;
  const char* reason;  // expected in the message
};

int calls = 0;

class InjectedFault : public testing::TestWithParam<InjectedRow> {
 protected:
  void SetUp() override { calls = 0; }
};

TEST_P(InjectedFault, LeavesThePreviousFileAndKeepsTheProgramModified) {
  const InjectedRow& row = GetParam();
  TempDir dir;
  const std::string previous = previousFile();
  writeBytes(dir / "prog", previous);

  const std::string failure = saveThroughTheCommandFails(dir / "prog", FaultyWriter(row.hook));
  EXPECT_EQ(failure, "") << row.what;
  EXPECT_GT(calls, 0) << row.what << ": the fault was never asked for";
  EXPECT_EQ(readBytes(dir / "prog"), previous) << row.what;
  EXPECT_EQ(entries(dir.path()), 1) << row.what << ": no temporary file left behind";

  // The reason reaches the user.
  calls = 0;
  Program program;
  changeProgram(program);
  program.construireImages();
  const WriteResult r = writeProgramFile(dir / "prog", program.images, FaultyWriter(row.hook));
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.message.find(row.reason), std::string::npos) << r.message;

  // Once the fault is gone the same save goes through.
  FakeDialogs dialogs;
  dialogs.saveChoice = dir / "prog";
  dialogs.answers = {true};
  EXPECT_TRUE(sauvegarderProgramme(program, dialogs)) << row.what;
  EXPECT_FALSE(program.document.ProgramModified);
  EXPECT_EQ(readBytes(dir / "prog"), serializeProgramFile(program.images));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, InjectedFault,
    testing::Values(
        InjectedRow{"I/O error after 200 bytes were written",
                    [](Step step, std::size_t& length) {
                      if (step != Step::Write) return 0;
                      if (calls++ > 0) return EIO;
                      length = 200;  // a short write; the rest fails
                      return 0;
                    },
                    "erreur d'entrée-sortie"},
        InjectedRow{"disk full on the first write",
                    [](Step step, std::size_t&) {
                      if (step != Step::Write) return 0;
                      ++calls;
                      return ENOSPC;
                    },
                    "disque plein"},
        InjectedRow{"rename refused",
                    [](Step step, std::size_t&) {
                      if (step != Step::Rename) return 0;
                      ++calls;
                      return EXDEV;
                    },
                    "Invalid cross-device link"}),
    testing_support::RowIndexName());

TEST(SaveFaults, ShortWritesAreCompletedNotTruncated) {
  TempDir dir;
  const FaultyWriter shortWrites([](Step step, std::size_t& length) {
    if (step == Step::Write) length = std::min<std::size_t>(length, 7);
    return 0;
  });
  Program program;
  changeProgram(program);
  program.construireImages();
  const WriteResult r = writeProgramFile(dir / "prog", program.images, shortWrites);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(readBytes(dir / "prog"), serializeProgramFile(program.images));
}

// ---- Faults in a child process -----------------------------------------

TEST(SaveFaults, CrashBeforeTheRenameLeavesThePreviousFile) {
  TempDir dir;
  const std::string previous = previousFile();
  writeBytes(dir / "prog", previous);

  // The process dies with the new data synced in the temporary file.
  const int status = inChild([&] {
    const FaultyWriter crashBeforeRename([](Step step, std::size_t&) {
      if (step == Step::Rename) ::raise(SIGKILL);
      return 0;
    });
    Program program;
    changeProgram(program);
    program.construireImages();
    writeProgramFile(dir / "prog", program.images, crashBeforeRename);
    return 1;  // the crash did not happen
  });
  ASSERT_EQ(status, 1000 + SIGKILL);
  EXPECT_EQ(readBytes(dir / "prog"), previous);
  EXPECT_EQ(readProgramFile(dir / "prog").status, FileStatus::Ok);

  // What the crash left is a hidden file beside it, which the next save ignores.
  ASSERT_EQ(entries(dir.path()), 2);
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    if (e.path().filename() != "prog") {
      EXPECT_EQ(e.path().filename().string().rfind(".prog.", 0), 0u) << e.path();
    }
  Program program;
  changeProgram(program);
  FakeDialogs dialogs;
  dialogs.saveChoice = dir / "prog";
  dialogs.answers = {true};
  EXPECT_TRUE(sauvegarderProgramme(program, dialogs));
  EXPECT_EQ(readBytes(dir / "prog"), serializeProgramFile(program.images));
}

// In a child with its own mount namespace: mounts a tmpfs of `size` on
// `folder` (kSkip when the system refuses), then runs `body`.
int withTmpfs(const std::filesystem::path& folder, const char* size, const std::function<int()>& body) {
  return inChild([&] {
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("velkor-test", folder.c_str(), "tmpfs", 0, (std::string("size=") + size).c_str()) != 0) {
      std::fprintf(stderr, "cannot mount a tmpfs: %s\n", std::strerror(errno));
      return kSkip;
    }
    return body();
  });
}

ProgramImages defaultImages() {
  Program program;
  program.initialiserPages();
  program.construireImages();
  return program.images;
}

// A save into `folder` over `previous` that the filesystem refuses with
// `errnum`: refused through the command and directly, with the system's
// reason, the previous file intact and nothing left behind. Empty when so.
std::string refusedCleanly(const std::filesystem::path& folder, int errnum, const std::string& previous) {
  if (std::string failure = saveThroughTheCommandFails(folder / "prog"); !failure.empty()) return failure;
  const WriteResult r = writeProgramFile(folder / "prog", defaultImages());
  if (r.message.find(errnoText(errnum)) == std::string::npos) return "message: " + r.message;
  if (readBytes(folder / "prog") != previous) return "the previous file changed";
  return entries(folder) == 1 ? "" : "a temporary file was left behind";
}

TEST(SaveFaults, ReadOnlyFilesystem) {
  // Permission bits do not stop root (see PlainWrite for a user); a
  // filesystem mounted read-only stops everyone.
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a filesystem needs root";
  TempDir dir;
  const std::filesystem::path folder = dir / "ro";
  std::filesystem::create_directory(folder);
  const std::string previous = previousFile();
  const int status = withTmpfs(folder, "64k", [&] {
    writeBytes(folder / "prog", previous);
    if (::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
      std::fprintf(stderr, "cannot remount read-only: %s\n", std::strerror(errno));
      return kSkip;
    }
    return report(refusedCleanly(folder, EROFS, previous));
  });
  if (status == kSkip) GTEST_SKIP() << "no read-only filesystem can be mounted here";
  EXPECT_EQ(status, 0);
}

TEST(SaveFaults, FullSmallTmpfs) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a tmpfs needs root; DiskFullLeavesThePreviousFileByteIdentical "
                                        "covers a full disk with a file size limit";
  TempDir dir;
  const std::filesystem::path folder = dir / "small";
  std::filesystem::create_directory(folder);
  const std::string previous = previousFile();
  // One page: the previous file fills it, the new one has no room.
  const int status = withTmpfs(folder, "4k", [&] {
    writeBytes(folder / "prog", previous);
    if (const std::string failure = refusedCleanly(folder, ENOSPC, previous); !failure.empty())
      return report(failure);
    // Room made, the save goes through.
    std::filesystem::remove(folder / "prog");
    return report(writeProgramFile(folder / "prog", defaultImages()).ok ? "" : "no save after making room");
  });
  if (status == kSkip)
    GTEST_SKIP() << "no tmpfs can be mounted here; DiskFullLeavesThePreviousFileByteIdentical covers a full disk";
  EXPECT_EQ(status, 0);
}

// ---- What a plain write would do, as a user without privileges ---------

std::string modeOf(const std::filesystem::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return "missing";
  char text[8];
  std::snprintf(text, sizeof text, "%04o", st.st_mode & 07777);
  return text;
}

// The changed program saved through "Sauvegarder"; empty when it was written,
// else what the user was told.
std::string saveChanged(const std::filesystem::path& target, Program& program) {
  changeProgram(program);
  FakeDialogs dialogs;
  dialogs.saveChoice = target;
  dialogs.answers = {true};
  if (sauvegarderProgramme(program, dialogs)) return {};
  return dialogs.shown.empty() ? "refused without a word" : dialogs.shown.back();
}

struct PlainWriteRow {
  const char* what;
  std::string (*body)(const std::filesystem::path& folder);
};

class PlainWrite : public testing::TestWithParam<PlainWriteRow> {};

TEST_P(PlainWrite, AsAUserWithoutPrivileges) {
  TempDir dir;
  EXPECT_EQ(asUser(dir.path(), [&] { return GetParam().body(dir.path()); }), 0) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PlainWrite,
    testing::Values(
        PlainWriteRow{"read-only file is refused and left as it was",
                      [](const std::filesystem::path& folder) -> std::string {
                        const std::string previous = previousFile();
                        writeBytes(folder / "prog", previous);
                        ::chmod((folder / "prog").c_str(), 0444);
                        if (const std::string failure = saveThroughTheCommandFails(folder / "prog"); !failure.empty())
                          return failure;
                        Program program;
                        const std::string told = saveChanged(folder / "prog", program);
                        if (told != "Impossible d'enregistrer le fichier prog : le fichier est en lecture seule")
                          return "told: " + told;
                        if (readBytes(folder / "prog") != previous) return "the file changed";
                        if (modeOf(folder / "prog") != "0444") return "mode now " + modeOf(folder / "prog");
                        return entries(folder) == 1 ? "" : "a temporary file was left behind";
                      }},
        PlainWriteRow{"writable file in a read-only folder is written in place",
                      [](const std::filesystem::path& folder) -> std::string {
                        const std::filesystem::path ro = folder / "ro";
                        std::filesystem::create_directory(ro);
                        writeBytes(ro / "prog", previousFile());
                        ::chmod(ro.c_str(), 0555);
                        Program program;
                        std::string failure = saveChanged(ro / "prog", program);
                        if (failure.empty() && readBytes(ro / "prog") != serializeProgramFile(program.images))
                          failure = "the file does not hold the program";
                        // Where nothing exists, nothing can be created.
                        Program other;
                        const std::string told = saveChanged(ro / "neuf", other);
                        if (failure.empty() && told != "Impossible d'enregistrer le fichier neuf : permission refusée")
                          failure = "a new file: " + told;
                        if (failure.empty() && entries(ro) != 1) failure = "a file was left behind";
                        ::chmod(ro.c_str(), 0755);
                        return failure;
                      }},
        PlainWriteRow{"file with two names keeps both",
                      [](const std::filesystem::path& folder) -> std::string {
                        writeBytes(folder / "prog", previousFile());
                        if (::link((folder / "prog").c_str(), (folder / "copie").c_str()) != 0) return "no link";
                        Program program;
                        if (const std::string told = saveChanged(folder / "prog", program); !told.empty())
                          return "told: " + told;
                        const std::string saved = serializeProgramFile(program.images);
                        if (readBytes(folder / "prog") != saved) return "the file does not hold the program";
                        if (readBytes(folder / "copie") != saved) return "the other name holds the old program";
                        struct stat st {};
                        ::stat((folder / "prog").c_str(), &st);
                        return st.st_nlink == 2 ? "" : "links: " + std::to_string(st.st_nlink);
                      }},
        PlainWriteRow{"new file follows the umask, which is never changed",
                      [](const std::filesystem::path& folder) -> std::string {
                        // The umask is the whole process's: changed for a moment, another thread
                        // creating a file meanwhile would get the wrong mode.
                        ::umask(027);
                        umaskCalls = 0;
                        Program program;
                        if (const std::string told = saveChanged(folder / "neuf", program); !told.empty())
                          return "told: " + told;
                        if (umaskCalls != 0) return "umask() called " + std::to_string(umaskCalls) + " times";
                        return modeOf(folder / "neuf") == "0640" ? "" : "mode " + modeOf(folder / "neuf");
                      }}),
    testing_support::RowIndexName());

}  // namespace
}  // namespace velkor
