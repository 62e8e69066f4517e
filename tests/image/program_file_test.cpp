#include <gtest/gtest.h>

#include "support/row_names.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <functional>

#include "image/messages.h"
#include "image/program.h"
#include "image/program_file.h"
#include "support/programs.h"
#include "support/temp_dir.h"

namespace velkor {
namespace {

using testing_support::readBytes;
using testing_support::TempDir;
using testing_support::writeBytes;

// Images of a program whose SL2 uses EA3, so a line holds a line-feed byte.
ProgramImages imagesWithLineFeed() {
  Program program;
  program.initialiserPages();
  program.document.choix01_01Select(FieldId::slot(2, 1), "EA3");
  program.construireImages();
  return program.images;
}

std::string goodFile() { return serializeProgramFile(imagesWithLineFeed()); }

std::string replaceAll(std::string s, const std::string& from, const std::string& to) {
  for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
  return s;
}

// The file's first `n` lines.
std::string firstLines(const std::string& file, int n) {
  std::size_t at = 0;
  for (int i = 0; i < n; ++i) at = file.find("\r\n", at) + 2;
  return file.substr(0, at);
}

struct FileRow {
  const char* what;
  std::function<std::string()> bytes;
  FileStatus status;
};

class ParseFile : public testing::TestWithParam<FileRow> {};

TEST_P(ParseFile, AcceptsOnlyElevenLinesOfTheRightLengths) {
  const FileRow& row = GetParam();
  const ReadResult r = parseProgramFile(row.bytes());
  EXPECT_EQ(r.status, row.status) << row.what;
  if (r.status == FileStatus::Ok) {
    EXPECT_EQ(r.images, imagesWithLineFeed()) << row.what;
  } else {
    EXPECT_EQ(r.message, msg::kUnsuitableFile);
    EXPECT_EQ(r.images, ProgramImages{}) << "nothing of a refused file is kept";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ParseFile,
    testing::Values(
        FileRow{"as written", [] { return goodFile(); }, FileStatus::Ok},
        FileRow{"last line without LF", [] { return goodFile().substr(0, 435); }, FileStatus::Ok},
        FileRow{"bytes after the last CR", [] { return goodFile() + "junk\n"; }, FileStatus::Ok},
        FileRow{"Ctrl-Z ends the file", [] { return goodFile() + "\x1A" + firstLines(goodFile(), 1); }, FileStatus::Ok},
        FileRow{"Ctrl-Z as the byte after the last CR",
                [] { return goodFile().substr(0, 435) + "\x1A\r\n"; }, FileStatus::Ok},
        FileRow{"empty file", [] { return std::string(); }, FileStatus::Unsuitable},
        FileRow{"lone CR line ends", [] { return replaceAll(goodFile(), "\r\n", "\r"); }, FileStatus::Unsuitable},
        FileRow{"lone LF line ends", [] { return replaceAll(goodFile(), "\r\n", "\n"); }, FileStatus::Unsuitable},
        FileRow{"ten lines", [] { return firstLines(goodFile(), 10); }, FileStatus::Unsuitable},
        FileRow{"twelve lines", [] { return goodFile() + firstLines(goodFile(), 1).substr(0, 25 - 2) + "\r\n"; },
                FileStatus::Unsuitable},
        FileRow{"a further bare CR", [] { return goodFile() + "\r"; }, FileStatus::Unsuitable},
        FileRow{"Ctrl-Z inside line 5",
                [] { std::string f = goodFile(); f[4 * 48 + 10] = '\x1A'; return f; }, FileStatus::Unsuitable},
        FileRow{"Ctrl-Z first", [] { return "\x1A" + goodFile(); }, FileStatus::Unsuitable},
        FileRow{"first line one byte short", [] { return goodFile().erase(3, 1); }, FileStatus::Unsuitable},
        FileRow{"analog line of logic length",
                [] { std::string f = goodFile(); return f.insert(7 * 48 + 1, std::string(23, '?')); },
                FileStatus::Unsuitable},
        FileRow{"no CR at all, long", [] { return std::string(100000, 'x'); }, FileStatus::Unsuitable}),
                         testing_support::RowIndexName());

TEST(ProgramFile, FileWrittenByTheEditorIs436Bytes) {
  TempDir dir;
  Program program;
  program.initialiserPages();
  program.construireImages();
  ASSERT_TRUE(writeProgramFile(dir / "prog", program.images).ok);
  const std::string bytes = readBytes(dir / "prog");
  EXPECT_EQ(bytes.size(), 436u);
  EXPECT_EQ(bytes.substr(434), "\r\n");
  const ReadResult r = readProgramFile(dir / "prog");
  ASSERT_EQ(r.status, FileStatus::Ok);
  EXPECT_EQ(r.images, program.images);
}

TEST(ProgramFile, ThingsThatAreNotFilesAreUnreadable) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  const auto start = std::chrono::steady_clock::now();
  // The editor's message, then the name without its folder and why; a
  // file that is not there is said to be missing, not unreadable.
  for (const auto& [name, shown] :
       {std::pair{"missing", std::string(msg::kMissingFile) + "\r\rmissing"},
        std::pair{"fifo", std::string(msg::kUnreadableFile) + "\r\rfifo : ce n'est pas un fichier ordinaire"},
        std::pair{".", std::string(msg::kUnreadableFile) + "\r\r. : c'est un dossier"}}) {
    const ReadResult r = readProgramFile(dir / name);
    EXPECT_EQ(r.status, FileStatus::Unreadable) << name;
    EXPECT_EQ(r.message, shown);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << "a FIFO must not block";
}

TEST(ProgramFile, OverwriteKeepsPermissionsAndFollowsLinks) {
  TempDir dir;
  const ProgramImages images = imagesWithLineFeed();
  writeBytes(dir / "real", "old");
  ASSERT_EQ(::chmod((dir / "real").c_str(), 0640), 0);
  std::filesystem::create_symlink("real", dir / "link");

  ASSERT_TRUE(writeProgramFile(dir / "link", images).ok);
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link"));
  EXPECT_EQ(readBytes(dir / "real"), serializeProgramFile(images));
  struct stat st {};
  ASSERT_EQ(::stat((dir / "real").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

// Leftover temporary files in a folder.
int countEntries(const std::filesystem::path& folder) {
  int n = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

TEST(ProgramFile, FailedSavesLeaveThePreviousFileAlone) {
  TempDir dir;
  const ProgramImages images = imagesWithLineFeed();

  // The target is a folder: the rename fails after the data was written.
  std::filesystem::create_directory(dir / "folder");
  WriteResult r = writeProgramFile(dir / "folder", images);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.message.find("folder"), std::string::npos) << r.message;
  EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));

  // The folder does not exist.
  r = writeProgramFile(dir / "nowhere" / "prog", images);
  EXPECT_FALSE(r.ok);

  // Images that are not a program are refused before anything is written.
  ProgramImages bad = images;
  bad[3] += "x";
  writeBytes(dir / "prog", "previous");
  r = writeProgramFile(dir / "prog", bad);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(readBytes(dir / "prog"), "previous");
  EXPECT_EQ(countEntries(dir.path()), 2) << "no temporary file left behind";
}

TEST(ProgramFile, DiskFullLeavesThePreviousFileByteIdentical) {
  TempDir dir;
  const std::string previous = goodFile();
  writeBytes(dir / "prog", previous);

  // A file size limit makes every write past 100 bytes fail as on a full disk.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{100, 100};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    Program program;
    program.initialiserPages();
    program.construireImages();
    const WriteResult r = writeProgramFile(dir / "prog", program.images);
    ::_exit(r.ok ? 1 : r.message.empty() ? 2 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed save must be reported with a message";
  EXPECT_EQ(readBytes(dir / "prog"), previous);
  EXPECT_EQ(countEntries(dir.path()), 1) << "no temporary file left behind";
}

}  // namespace
}  // namespace velkor
