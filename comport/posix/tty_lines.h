// Inside the POSIX layer: the tty calls under it (attributes, modem lines,
// line-error counters), and the layer's seam for them. Real ttys answer
// through tcgetattr/ioctl; a test gives the devices it opens at a path lines
// of its own (a pseudo-terminal has no modem lines and no error counters).
#pragma once

#include <cstdint>
#include <string>

struct termios;

namespace velkor::posix {

struct LineCounters {
  std::uint32_t frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
  std::uint32_t cts = 0, dsr = 0, rng = 0, dcd = 0;  // modem-line changes
};

class TtyLines {
 public:
  virtual ~TtyLines() = default;
  // Return 0 or an errno value.
  virtual int GetAttributes(int fd, termios* tio);
  virtual int SetAttributes(int fd, const termios& tio);
  virtual int GetModemBits(int fd, int* tiocmBits);
  virtual int SetModemBits(int fd, int tiocmSet, int tiocmClear);
  virtual int GetCounters(int fd, LineCounters* counters);
  // Blocks until CTS, DSR, RING or DCD changes (TIOCMIWAIT). EINTR when a
  // signal ends it; ENOTTY or EINVAL where the driver has no such wait.
  virtual int WaitModemChange(int fd);
};

// The lines of a device opened at `path`: the real ones, unless lines were
// put there for it.
TtyLines& TtyLinesFor(const std::string& path);

// While it lives, the devices opened at `path` use `lines`, which must
// outlive them; the real lines serve devices opened afterwards.
class TtyLinesAt {
 public:
  TtyLinesAt(std::string path, TtyLines& lines);
  ~TtyLinesAt();
  TtyLinesAt(const TtyLinesAt&) = delete;
  TtyLinesAt& operator=(const TtyLinesAt&) = delete;

 private:
  const std::string path_;
};

}  // namespace velkor::posix
