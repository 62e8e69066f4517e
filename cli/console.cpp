#include "cli/console.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <streambuf>

#include "image/messages.h"
#include "image/names_file.h"
#include "image/system_errors.h"

namespace velkor {
namespace {

// std::cout's buffer: stdio's, as before (same bytes, same line ends on
// every platform), but the errno of the first failure is kept, as stdio
// drops what it could not write and errno is soon overwritten. A closed
// standard output takes nothing.
class StandardOutput : public std::streambuf {
 public:
  void setClosed() { error_ = EBADF; }
  int error() const { return error_; }

 private:
  int overflow(int c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    if (error_ == 0 && std::fputc(c, stdout) != EOF) return c;
    return failed();
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    if (error_ != 0) return failed(), 0;
    const std::size_t written = std::fwrite(s, 1, static_cast<std::size_t>(n), stdout);
    if (written < static_cast<std::size_t>(n)) failed();
    return static_cast<std::streamsize>(written);
  }
  int sync() override {
    if (error_ != 0) return 0;  // told already
    return std::fflush(stdout) == 0 ? 0 : (failed(), -1);
  }
  int failed() {
    if (error_ == 0) error_ = errno != 0 ? errno : EIO;
    return traits_type::eof();
  }

  int error_ = 0;
};

// Never destroyed: std::cout is flushed once more at exit, after statics go.
StandardOutput& standardOutput() {
  static StandardOutput* buffer = new StandardOutput;
  return *buffer;
}

}  // namespace

void setUpStandardStreams() {
  std::cout.rdbuf(&standardOutput());
#ifndef _WIN32
  // In order: the lowest free number is the one being filled.
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened != fd && opened >= 0) ::close(opened);
    if (fd == STDOUT_FILENO) standardOutput().setClosed();
  }
#endif
}

int checkStandardOutput(int code) {
  std::cout.flush();
  if (std::cout) return code;
  // A pipe's reader that stops ends the command by SIGPIPE, unless ignored.
  const int error = standardOutput().error();
  std::cerr << "velkor-cli : impossible d'écrire sur la sortie standard : "
            << (error == EBADF   ? std::string("elle est fermée")
                : error == EPIPE ? std::string("le programme qui la lisait s'est arrêté")
                                 : errnoText(error))
            << "\n";
  return kExitOutput;
}

void printMessage(std::string_view text) {
  std::string line(text);
  for (char& c : line)
    if (c == '\r') c = '\n';
  std::cerr << line << "\n";
}

std::string fileNameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

std::optional<OpenOutcome> openProgram(Program& program, const std::string& path) {
  OpenOutcome outcome = openProgramFile(program, path);
  if (outcome.status == FileStatus::Ok) return outcome;
  printMessage(outcome.message);
  return std::nullopt;
}

int reportDamage(std::string_view fileName, const std::vector<std::string>& damaged, int code) {
  if (damaged.empty()) return code;
  printMessage(msg::damagedFile(fileName, damaged));
  return code == kExitDone ? kExitDamaged : code;
}

int reportNames(const std::string& programPath, const std::string& problem, int code) {
  if (problem.empty()) return code;
  printMessage(msg::damagedNamesFile(namesFilePath(programPath).filename().string(), problem));
  return code == kExitDone ? kExitDamaged : code;
}

}  // namespace velkor
