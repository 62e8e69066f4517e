#include "tty_lines.h"

#include <sys/ioctl.h>
#include <termios.h>

#include <linux/serial.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <utility>

namespace velkor::posix {

int TtyLines::GetAttributes(int fd, termios* tio) { return tcgetattr(fd, tio) == 0 ? 0 : errno; }

int TtyLines::SetAttributes(int fd, const termios& tio) {
  return tcsetattr(fd, TCSANOW, &tio) == 0 ? 0 : errno;
}

int TtyLines::GetModemBits(int fd, int* bits) { return ioctl(fd, TIOCMGET, bits) == 0 ? 0 : errno; }

int TtyLines::SetModemBits(int fd, int set, int clear) {
  if (set && ioctl(fd, TIOCMBIS, &set) != 0) return errno;
  if (clear && ioctl(fd, TIOCMBIC, &clear) != 0) return errno;
  return 0;
}

int TtyLines::GetCounters(int fd, LineCounters* c) {
  serial_icounter_struct ic{};
  if (ioctl(fd, TIOCGICOUNT, &ic) != 0) return errno;
  c->frame = static_cast<std::uint32_t>(ic.frame);
  c->overrun = static_cast<std::uint32_t>(ic.overrun);
  c->parity = static_cast<std::uint32_t>(ic.parity);
  c->brk = static_cast<std::uint32_t>(ic.brk);
  c->bufOverrun = static_cast<std::uint32_t>(ic.buf_overrun);
  c->cts = static_cast<std::uint32_t>(ic.cts);
  c->dsr = static_cast<std::uint32_t>(ic.dsr);
  c->rng = static_cast<std::uint32_t>(ic.rng);
  c->dcd = static_cast<std::uint32_t>(ic.dcd);
  return 0;
}

int TtyLines::WaitModemChange(int fd) {
  const unsigned long lines = TIOCM_CTS | TIOCM_DSR | TIOCM_RNG | TIOCM_CD;
  return ioctl(fd, TIOCMIWAIT, lines) == 0 ? 0 : errno;
}

namespace {

std::mutex gLinesMutex;
std::map<std::string, TtyLines*> gLinesByPath;
TtyLines gRealLines;

}  // namespace

TtyLines& TtyLinesFor(const std::string& path) {
  std::lock_guard lk(gLinesMutex);
  auto it = gLinesByPath.find(path);
  return it == gLinesByPath.end() ? gRealLines : *it->second;
}

TtyLinesAt::TtyLinesAt(std::string path, TtyLines& lines) : path_(std::move(path)) {
  std::lock_guard lk(gLinesMutex);
  gLinesByPath[path_] = &lines;
}

TtyLinesAt::~TtyLinesAt() {
  std::lock_guard lk(gLinesMutex);
  gLinesByPath.erase(path_);
}

}  // namespace velkor::posix
