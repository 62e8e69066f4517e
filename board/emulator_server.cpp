#include "board/emulator_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <system_error>

#include "image/system_errors.h"

namespace velkor {
namespace {

using Clock = std::chrono::steady_clock;

void makeRaw(int fd) {
  termios t{};
  if (::tcgetattr(fd, &t) != 0) return;
  ::cfmakeraw(&t);
  ::cfsetspeed(&t, B38400);
  ::tcsetattr(fd, TCSANOW, &t);
}

void writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // the other side is gone; the board talks to nobody
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

struct Scheduled {
  Clock::time_point at;
  std::string bytes;
};

}  // namespace

PseudoTerminal openPseudoTerminal() {
  PseudoTerminal pty;
  pty.master.reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!pty.master) throw std::system_error(errno, std::generic_category(), "posix_openpt");
  if (::grantpt(pty.master.get()) != 0 || ::unlockpt(pty.master.get()) != 0)
    throw std::system_error(errno, std::generic_category(), "grantpt");
  const char* name = ::ptsname(pty.master.get());
  if (!name) throw std::system_error(errno, std::generic_category(), "ptsname");
  pty.path = name;
  pty.keeper.reset(::open(pty.path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!pty.keeper) throw std::system_error(errno, std::generic_category(), pty.path);
  makeRaw(pty.keeper.get());
  return pty;
}

posix::UniqueFd openSerialDevice(const std::string& device, std::string& whyNot) {
  // Looked at before opening: opening some devices does something.
  struct stat st {};
  if (::stat(device.c_str(), &st) != 0) {
    whyNot = errnoText(errno);
    return {};
  }
  posix::UniqueFd fd;
  if (S_ISCHR(st.st_mode)) {
    // Without waiting for a carrier; the line is then used blocking.
    fd.reset(::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd) {
      whyNot = errnoText(errno);
      return {};
    }
  }
  if (!fd || !::isatty(fd.get())) {
    whyNot = "ce n'est pas un terminal";
    return {};
  }
  ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  makeRaw(fd.get());
  return fd;
}

EmulatorServer::EmulatorServer(BoardEmulator& board, posix::UniqueFd line, posix::UniqueFd keeper)
    : board_(board), fd_(std::move(line)), keeper_(std::move(keeper)) {
  int wake[2];
  if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) throw std::system_error(errno, std::generic_category(), "pipe");
  wakeRead_.reset(wake[0]);
  wakeWrite_.reset(wake[1]);
}

EmulatorServer::~EmulatorServer() = default;

void EmulatorServer::stop() {
  const char c = 's';
  [[maybe_unused]] const ssize_t n = ::write(wakeWrite_.get(), &c, 1);
}

void EmulatorServer::hangUp() {
  const char c = 'h';
  [[maybe_unused]] const ssize_t n = ::write(wakeWrite_.get(), &c, 1);
}

void EmulatorServer::closeLine() {
  fd_.reset();
  keeper_.reset();
}

void EmulatorServer::run() {
  std::deque<Scheduled> queue;
  char buffer[512];
  for (;;) {
    while (fd_ && !queue.empty() && queue.front().at <= Clock::now()) {
      writeAll(fd_.get(), queue.front().bytes);
      queue.pop_front();
    }
    if (fd_ && board_.hungUp() && queue.empty()) closeLine();

    int timeout = -1;
    if (fd_ && !queue.empty()) {
      const auto wait = std::chrono::ceil<std::chrono::milliseconds>(queue.front().at - Clock::now());
      timeout = static_cast<int>(std::max<long long>(0, wait.count()));
    }
    pollfd p[2] = {{wakeRead_.get(), POLLIN, 0}, {fd_.get(), POLLIN, 0}};
    const int ready = ::poll(p, fd_ ? 2 : 1, timeout);
    if (ready < 0 && errno != EINTR) return;
    if (ready <= 0) continue;

    if (p[0].revents & POLLIN) {
      char c = 0;
      while (::read(wakeRead_.get(), &c, 1) == 1) {
        if (c == 's') return;
        closeLine();  // 'h': the cable is pulled
        queue.clear();
      }
    }
    if (!fd_ || !(p[1].revents & (POLLIN | POLLHUP | POLLERR))) continue;
    const ssize_t n = ::read(fd_.get(), buffer, sizeof buffer);
    if (n <= 0) {
      if (n == 0 || (errno != EAGAIN && errno != EINTR)) closeLine();  // hung up
      continue;
    }
    Clock::time_point at = std::max(queue.empty() ? Clock::now() : queue.back().at, Clock::now());
    for (TimedBytes& piece : board_.receive(std::string_view(buffer, static_cast<std::size_t>(n)))) {
      at += std::chrono::milliseconds(piece.delayMs);
      queue.push_back({at, std::move(piece.bytes)});
    }
  }
}

}  // namespace velkor
