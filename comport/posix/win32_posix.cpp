// POSIX side of the Win32 calls listed in win32_posix.h.
#include "win32_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

#include <linux/serial.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "dcb_termios.h"

namespace velkor::posix {

// ---------------------------------------------------------------- names, errors

std::string DevicePathFor(const std::string& name, const char* (*getenvFn)(const char*)) {
  static const char* const kDefaults[] = {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyUSB0",
                                          "/dev/ttyUSB1"};
  static const char* const kNames[] = {"COM1", "COM2", "COM3", "COM4"};
  for (int i = 0; i < 4; ++i) {
    if (name != kNames[i]) continue;
    const std::string var = std::string("VELKOR_") + kNames[i];
    const char* over = getenvFn ? getenvFn(var.c_str()) : std::getenv(var.c_str());
    return over && *over ? std::string(over) : std::string(kDefaults[i]);
  }
  return name;
}

DWORD ErrorFromErrnoOnOpen(int err) {
  switch (err) {
    case ENOENT:
    case ENXIO:
    case ENODEV: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    default: return ErrorFromErrno(err);
  }
}

DWORD ErrorFromErrno(int err) {
  switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EWOULDBLOCK:
    // The adapter is gone or the line hung up.
    case EIO:
    case ENXIO:
    case ENODEV: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOTTY: return ERROR_INVALID_FUNCTION;
    case ECANCELED: return ERROR_OPERATION_ABORTED;
    default: return ERROR_GEN_FAILURE;
  }
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
  return 0;
}

namespace {

std::mutex gLinesMutex;
std::map<std::string, TtyLines*> gLinesByPath;
TtyLines gRealLines;

TtyLines* LinesFor(const std::string& path) {
  std::lock_guard lk(gLinesMutex);
  auto it = gLinesByPath.find(path);
  return it == gLinesByPath.end() ? &gRealLines : it->second;
}

thread_local DWORD tLastError = 0;

// The errno behind each Win32 code last produced, so that FormatMessageA gives
// the system's own words for it (also on another thread, as the event thread's
// failures are reported on the main thread).
std::mutex gErrnoMutex;
std::unordered_map<DWORD, int> gErrnoForCode;

void Fail(DWORD code, int err) {
  if (err != 0) {
    std::lock_guard lk(gErrnoMutex);
    gErrnoForCode[code] = err;
  }
  tLastError = code;
}

void FailErrno(int err) { Fail(ErrorFromErrno(err), err); }

int DefaultErrnoFor(DWORD code) {
  switch (code) {
    case ERROR_INVALID_FUNCTION: return ENOTTY;
    case ERROR_FILE_NOT_FOUND: return ENOENT;
    case ERROR_PATH_NOT_FOUND: return ENOTDIR;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_ACCESS_DENIED: return EACCES;
    case ERROR_INVALID_HANDLE: return EBADF;
    case ERROR_NOT_ENOUGH_MEMORY: return ENOMEM;
    case ERROR_GEN_FAILURE: return EIO;
    case ERROR_INVALID_PARAMETER: return EINVAL;
    case ERROR_OPERATION_ABORTED: return ECANCELED;
    default: return 0;
  }
}

using Clock = std::chrono::steady_clock;

// What cfgetospeed reads for a rate set through termios2 (the kernel's BOTHER).
constexpr speed_t kOtherSpeed = 0010000;

// ---------------------------------------------------------------- handle table

struct Object {
  virtual ~Object() = default;
};

class Device;

struct Event : Object {
  std::mutex m;
  std::condition_variable cv;
  bool manual = false;
  bool signalled = false;
  // While an overlapped operation is pending on this event, the device and
  // slot that a waiter has to carry forward.
  std::weak_ptr<Device> driver;
  int slot = -1;

  void Set() {
    std::lock_guard lk(m);
    signalled = true;
    driver.reset();
    slot = -1;
    cv.notify_all();
  }
  void Reset() {
    std::lock_guard lk(m);
    signalled = false;
  }
};

std::mutex gTableMutex;
std::unordered_map<std::uintptr_t, std::shared_ptr<Object>> gTable;
std::uintptr_t gNextHandle = 0x100;

HANDLE Insert(std::shared_ptr<Object> obj) {
  std::lock_guard lk(gTableMutex);
  gNextHandle += 4;  // never reused, so a stale handle cannot reach a newer object
  gTable.emplace(gNextHandle, std::move(obj));
  return reinterpret_cast<HANDLE>(gNextHandle);
}

template <class T>
std::shared_ptr<T> Lookup(HANDLE h) {
  std::lock_guard lk(gTableMutex);
  auto it = gTable.find(reinterpret_cast<std::uintptr_t>(h));
  if (it == gTable.end()) return nullptr;
  return std::dynamic_pointer_cast<T>(it->second);
}

std::shared_ptr<Object> Remove(HANDLE h) {
  std::lock_guard lk(gTableMutex);
  auto it = gTable.find(reinterpret_cast<std::uintptr_t>(h));
  if (it == gTable.end()) return nullptr;
  auto obj = std::move(it->second);
  gTable.erase(it);
  return obj;
}

// ---------------------------------------------------------------- serial device

enum Slot { kWait = 0, kRead = 1, kWrite = 2, kSlots = 3 };

struct Pending {
  bool active = false;
  OVERLAPPED* ov = nullptr;
  std::shared_ptr<Event> ev;
  BYTE* rbuf = nullptr;
  const BYTE* wbuf = nullptr;
  DWORD want = 0, done = 0;
  bool hasDeadline = false;
  Clock::time_point deadline{};
  DWORD interval = 0;  // ms allowed between two received bytes, 0 = none
  Clock::time_point lastByte{};
  bool anyByteEnds = false;
  DWORD* events = nullptr;  // WaitCommEvent's result
};

class Device : public Object, public std::enable_shared_from_this<Device> {
 public:
  Device(int fd, int epfd, const int wake[kSlots], TtyLines* lines)
      : fd_(fd), epfd_(epfd), lines_(lines) {
    std::copy(wake, wake + kSlots, wake_);
    std::memset(&dcb_, 0, sizeof dcb_);
    dcb_.DCBlength = sizeof(DCB);
    // Opening a tty raises DTR and RTS; report the lines as they are where we can.
    int bits = TIOCM_DTR | TIOCM_RTS;
    lines_->GetModemBits(fd_, &bits);
    dcb_.fDtrControl = (bits & TIOCM_DTR) ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    dcb_.fRtsControl = (bits & TIOCM_RTS) ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    termios tio{};
    if (tcgetattr(fd_, &tio) == 0) TermiosToDcb(tio, dcb_);
    std::memset(&timeouts_, 0, sizeof timeouts_);
    lines_->GetCounters(fd_, &clearCounters_);
    eventCounters_ = clearCounters_;
    lines_->GetModemBits(fd_, &modem_);
  }
  ~Device() override { Shutdown(); }

  // CloseHandle: ends every pending operation, wakes the threads blocked on
  // the device and closes the descriptor once none of them uses it any more.
  void Shutdown() {
    std::unique_lock lk(m_);
    if (closed_) return;
    closed_ = true;
    for (int s = 0; s < kSlots; ++s) {
      if (op_[s].active) {
        if (s == kWait) *op_[s].events = 0;
        Complete(s, ERROR_OPERATION_ABORTED);
      }
      Wake(s);
    }
    idle_.wait(lk, [&] { return users_ == 0; });
    ioctl(fd_, TIOCNXCL);  // the exclusive flag outlives us on a tty others keep open
    close(fd_);            // also drops the flock
    close(epfd_);
    for (int w : wake_) close(w);
  }

  BOOL GetState(DCB* out) {
    std::lock_guard lk(m_);
    if (closed_) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
    termios tio{};
    if (tcgetattr(fd_, &tio) != 0) return FailErrno(errno), FALSE;
    DCB d = dcb_;
    TermiosToDcb(tio, d);
    unsigned other = 0;
    if (cfgetospeed(&tio) == kOtherSpeed && GetOtherRate(fd_, &other) == 0) d.BaudRate = other;
    d.DCBlength = out->DCBlength;
    *out = d;
    return TRUE;
  }

  BOOL SetState(const DCB* in) {
    std::lock_guard lk(m_);
    if (closed_) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
    termios tio{};
    if (tcgetattr(fd_, &tio) != 0) return FailErrno(errno), FALSE;
    DCB wanted = *in;
    unsigned current = 0;
    // A rate set through termios2 reads back as BOTHER: compare with the real one.
    if (cfgetospeed(&tio) == kOtherSpeed && GetOtherRate(fd_, &current) == 0 && current == in->BaudRate)
      wanted.BaudRate = 0;
    DWORD other = 0;
    if (DWORD err = DcbToTermios(wanted, tio, &other)) return Fail(err, EINVAL), FALSE;
    if (tcsetattr(fd_, TCSANOW, &tio) != 0) return FailErrno(errno), FALSE;
    if (other != 0)
      if (int err = SetOtherRate(fd_, other)) return FailErrno(err), FALSE;
    // DTR and RTS are lines, not termios flags. Ptys have none: not an error.
    int set = 0, clear = 0;
    (in->fDtrControl == DTR_CONTROL_DISABLE ? clear : set) |= TIOCM_DTR;
    if (in->fRtsControl == RTS_CONTROL_DISABLE)
      clear |= TIOCM_RTS;
    else if (in->fRtsControl != RTS_CONTROL_HANDSHAKE)
      set |= TIOCM_RTS;
    int err = lines_->SetModemBits(fd_, set, clear);
    if (err != 0 && err != ENOTTY && err != EINVAL) return FailErrno(err), FALSE;
    dcb_ = *in;
    return TRUE;
  }

  BOOL Setup(DWORD in) {
    std::lock_guard lk(m_);
    if (closed_) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
    inQueue_ = in;  // Linux queues have a fixed size; kept for EV_RX80FULL
    return TRUE;
  }

  BOOL GetTimeouts(COMMTIMEOUTS* t) {
    std::lock_guard lk(m_);
    if (closed_) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
    *t = timeouts_;
    return TRUE;
  }

  BOOL SetTimeouts(const COMMTIMEOUTS* t) {
    std::lock_guard lk(m_);
    if (closed_) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
    timeouts_ = *t;
    return TRUE;
  }

  BOOL SetMask(DWORD mask) {
    std::lock_guard lk(m_);
    if (closed_) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
    mask_ = mask;
    // A new mask ends the wait in progress, which then reports nothing.
    if (op_[kWait].active) {
      *op_[kWait].events = 0;
      Complete(kWait, 0);
    }
    Wake(kWait);
    return TRUE;
  }

  BOOL StartWait(DWORD* events, OVERLAPPED* ov, const std::shared_ptr<Event>& ev) {
    std::lock_guard lk(m_);
    if (closed_) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
    if (hungUp_) return Fail(ERROR_ACCESS_DENIED, EIO), FALSE;
    if (mask_ == 0 || op_[kWait].active) return Fail(ERROR_INVALID_PARAMETER, 0), FALSE;
    const DWORD found = CollectEvents();
    if (found != 0) {
      *events = found;
      return TRUE;
    }
    Pending& p = op_[kWait];
    p = Pending{};
    p.active = true;
    p.ov = ov;
    p.ev = ev;
    p.events = events;
    Arm(kWait);
    return Fail(ERROR_IO_PENDING, 0), FALSE;
  }

  BOOL StartTransfer(Slot s, BYTE* rbuf, const BYTE* wbuf, DWORD n, DWORD* moved, OVERLAPPED* ov,
                     const std::shared_ptr<Event>& ev) {
    std::lock_guard lk(m_);
    if (closed_) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
    if (hungUp_) return Fail(ERROR_ACCESS_DENIED, EIO), FALSE;
    if (op_[s].active) return Fail(ERROR_INVALID_PARAMETER, 0), FALSE;
    Pending& p = op_[s];
    p = Pending{};
    p.active = true;
    p.ov = ov;
    p.ev = ev;
    p.rbuf = rbuf;
    p.wbuf = wbuf;
    p.want = n;
    const auto now = Clock::now();
    const COMMTIMEOUTS& t = timeouts_;
    if (s == kRead) {
      if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 &&
          t.ReadTotalTimeoutConstant == 0) {
        p.hasDeadline = true;  // return at once with what is there
        p.deadline = now;
      } else if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD &&
                 t.ReadTotalTimeoutConstant != 0 && t.ReadTotalTimeoutConstant != MAXDWORD) {
        p.anyByteEnds = true;
        p.hasDeadline = true;
        p.deadline = now + std::chrono::milliseconds(t.ReadTotalTimeoutConstant);
      } else {
        const std::uint64_t total =
            std::uint64_t{t.ReadTotalTimeoutMultiplier} * n + t.ReadTotalTimeoutConstant;
        if (total != 0) {
          p.hasDeadline = true;
          p.deadline = now + std::chrono::milliseconds(total);
        }
        if (t.ReadIntervalTimeout != MAXDWORD) p.interval = t.ReadIntervalTimeout;
      }
    } else {
      const std::uint64_t total =
          std::uint64_t{t.WriteTotalTimeoutMultiplier} * n + t.WriteTotalTimeoutConstant;
      if (total != 0) {
        p.hasDeadline = true;
        p.deadline = now + std::chrono::milliseconds(total);
      }
    }
    Arm(s);
    Progress(s);
    if (op_[s].active) return Fail(ERROR_IO_PENDING, 0), FALSE;
    if (ov->Internal != 0) return Fail(static_cast<DWORD>(ov->Internal), 0), FALSE;
    if (moved) *moved = static_cast<DWORD>(ov->InternalHigh);
    return TRUE;
  }

  // Carries the operation of slot s forward: once without blocking, or
  // blocking until it progresses, the device is woken or `until` passes.
  void Drive(int s, bool block, bool hasUntil, Clock::time_point until) {
    std::unique_lock lk(m_);
    if (closed_ || !op_[s].active) return;
    Progress(s);
    if (!block || !op_[s].active) return;

    Pending& p = op_[s];
    bool hasLimit = hasUntil;
    Clock::time_point limit = until;
    auto consider = [&](Clock::time_point t) {
      if (!hasLimit || t < limit) limit = t;
      hasLimit = true;
    };
    if (p.hasDeadline) consider(p.deadline);
    if (s == kRead && p.interval != 0 && p.done != 0)
      consider(p.lastByte + std::chrono::milliseconds(p.interval));
    if (s == kWait && txNotify_ && (mask_ & EV_TXEMPTY)) {
      // A tty does not wake us exactly when its output queue drains: wait no
      // longer than the queued bytes take to leave at the line's rate.
      int outq = 0;
      if (ioctl(fd_, TIOCOUTQ, &outq) == 0 && outq > 0) {
        const DWORD rate = std::max<DWORD>(dcb_.BaudRate, 50);
        consider(Clock::now() + std::chrono::milliseconds(20 + outq * 10000LL / rate));
      }
    }
    int timeoutMs = -1;
    if (hasLimit) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(limit - Clock::now()).count();
      timeoutMs = static_cast<int>(std::clamp<long long>(left + 1, 0, 24LL * 3600 * 1000));
    }

    ++users_;
    const int fd = fd_, epfd = epfd_, wake = wake_[s];
    lk.unlock();
    bool hangup = false;
    if (s == kWait) {
      epoll_event got[4];
      const int n = epoll_wait(epfd, got, 4, timeoutMs);
      for (int i = 0; i < n; ++i)
        if (got[i].data.fd == fd && (got[i].events & (EPOLLHUP | EPOLLERR))) hangup = true;
    } else {
      pollfd fds[2] = {{fd, static_cast<short>(s == kRead ? POLLIN : POLLOUT), 0},
                       {wake, POLLIN, 0}};
      if (poll(fds, 2, timeoutMs) > 0 && (fds[0].revents & (POLLHUP | POLLERR))) hangup = true;
    }
    lk.lock();
    if (--users_ == 0) idle_.notify_all();
    if (closed_) return;
    std::uint64_t drain;
    while (read(wake, &drain, sizeof drain) > 0) {
    }
    if (hangup) hungUp_ = true;
    if (op_[s].active) Progress(s);
  }

  BOOL ClearErrors(DWORD* errors, COMSTAT* stat) {
    std::lock_guard lk(m_);
    if (closed_) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
    int inq = 0, outq = 0;
    if (ioctl(fd_, FIONREAD, &inq) != 0) return FailErrno(errno), FALSE;
    if (ioctl(fd_, TIOCOUTQ, &outq) != 0) outq = 0;
    DWORD e = 0;
    LineCounters now;
    if (lines_->GetCounters(fd_, &now) == 0) {
      if (now.bufOverrun != clearCounters_.bufOverrun) e |= CE_RXOVER;
      if (now.overrun != clearCounters_.overrun) e |= CE_OVERRUN;
      if (now.parity != clearCounters_.parity) e |= CE_RXPARITY;
      if (now.frame != clearCounters_.frame) e |= CE_FRAME;
      if (now.brk != clearCounters_.brk) e |= CE_BREAK;
      clearCounters_ = now;
    }
    if (errors) *errors = e;
    if (stat) {
      stat->Flags = 0;
      stat->cbInQue = static_cast<DWORD>(inq);
      stat->cbOutQue = static_cast<DWORD>(outq);
    }
    return TRUE;
  }

  BOOL Purge(DWORD flags) {
    std::lock_guard lk(m_);
    if (closed_) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
    if ((flags & PURGE_RXABORT) && op_[kRead].active) Complete(kRead, ERROR_OPERATION_ABORTED);
    if ((flags & PURGE_TXABORT) && op_[kWrite].active) Complete(kWrite, ERROR_OPERATION_ABORTED);
    Wake(kRead);
    Wake(kWrite);
    if (flags & PURGE_RXCLEAR) {
      int inq = 0;
      if (ioctl(fd_, FIONREAD, &inq) != 0) inq = 0;
      if (tcflush(fd_, TCIFLUSH) != 0) return FailErrno(errno), FALSE;
      consumed_ += static_cast<std::uint64_t>(inq);
    }
    if ((flags & PURGE_TXCLEAR) && tcflush(fd_, TCOFLUSH) != 0) return FailErrno(errno), FALSE;
    return TRUE;
  }

  BOOL ModemStatus(DWORD* status) {
    std::lock_guard lk(m_);
    if (closed_) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
    int bits = 0;
    if (int err = lines_->GetModemBits(fd_, &bits)) return FailErrno(err), FALSE;
    *status = ModemToWin32(bits);
    return TRUE;
  }

 private:
  static DWORD ModemToWin32(int bits) {
    DWORD s = 0;
    if (bits & TIOCM_CTS) s |= MS_CTS_ON;
    if (bits & TIOCM_DSR) s |= MS_DSR_ON;
    if (bits & TIOCM_RI) s |= MS_RING_ON;
    if (bits & TIOCM_CD) s |= MS_RLSD_ON;
    return s;
  }

  void Wake(int s) {
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t r = write(wake_[s], &one, sizeof one);
  }

  void Arm(int s) {
    Pending& p = op_[s];
    p.ov->Internal = ERROR_IO_PENDING;
    p.ov->InternalHigh = 0;
    std::lock_guard lk(p.ev->m);
    p.ev->signalled = false;
    p.ev->driver = weak_from_this();
    p.ev->slot = s;
  }

  void Complete(int s, DWORD status) {
    Pending& p = op_[s];
    p.ov->Internal = status;
    p.ov->InternalHigh = p.done;
    p.active = false;
    auto ev = std::move(p.ev);
    p = Pending{};
    ev->Set();
  }

  // One step without blocking; completes the operation when it is done,
  // failed or out of time.
  void Progress(int s) {
    Pending& p = op_[s];
    if (!p.active) return;
    if (s == kWait) {
      const DWORD found = CollectEvents();
      if (found != 0 || hungUp_) {
        *p.events = found;
        Complete(s, 0);
      }
      return;
    }
    while (p.done < p.want) {
      ssize_t n = s == kRead ? read(fd_, p.rbuf + p.done, p.want - p.done)
                             : write(fd_, p.wbuf + p.done, p.want - p.done);
      if (n > 0) {
        p.done += static_cast<DWORD>(n);
        if (s == kRead) {
          consumed_ += static_cast<std::uint64_t>(n);
          p.lastByte = Clock::now();
          if (p.anyByteEnds) break;
        }
        continue;
      }
      if (n == 0 && s == kRead) {  // end of file on a tty: the other end hung up
        hungUp_ = true;
        return Complete(s, ERROR_ACCESS_DENIED);
      }
      if (errno == EINTR) continue;
      if (errno != EAGAIN) {
        Fail(ErrorFromErrno(errno), errno);
        return Complete(s, ErrorFromErrno(errno));
      }
      const auto now = Clock::now();
      const bool totalOver = p.hasDeadline && now >= p.deadline;
      const bool gapOver = s == kRead && p.interval != 0 && p.done != 0 &&
                           now >= p.lastByte + std::chrono::milliseconds(p.interval);
      if (totalOver || gapOver) break;
      return;  // still pending
    }
    if (s == kWrite && p.done != 0) {
      txNotify_ = true;
      Wake(kWait);
    }
    Complete(s, 0);
  }

  // Events of the current mask since the last look, without blocking.
  DWORD CollectEvents() {
    DWORD found = 0;
    int inq = 0;
    if (ioctl(fd_, FIONREAD, &inq) == 0) {
      const std::uint64_t received = consumed_ + static_cast<std::uint64_t>(inq);
      if (received > lastReceived_) found |= EV_RXCHAR;
      lastReceived_ = received;
      const bool full = inQueue_ != 0 && static_cast<DWORD>(inq) * 5 >= inQueue_ * 4;
      if (full && !wasFull_) found |= EV_RX80FULL;
      wasFull_ = full;
    }
    if (txNotify_ && !op_[kWrite].active) {
      int outq = 0;
      if (ioctl(fd_, TIOCOUTQ, &outq) != 0 || outq == 0) {
        found |= EV_TXEMPTY;
        txNotify_ = false;
      }
    }
    if (mask_ & (EV_CTS | EV_DSR | EV_RING | EV_RLSD)) {
      int bits = 0;
      if (lines_->GetModemBits(fd_, &bits) == 0) {
        const int changed = bits ^ modem_;
        if (changed & TIOCM_CTS) found |= EV_CTS;
        if (changed & TIOCM_DSR) found |= EV_DSR;
        if (changed & TIOCM_RI) found |= EV_RING;
        if (changed & TIOCM_CD) found |= EV_RLSD;
        modem_ = bits;
      }
    }
    if (mask_ & (EV_ERR | EV_BREAK)) {
      LineCounters now;
      if (lines_->GetCounters(fd_, &now) == 0) {
        if (now.frame != eventCounters_.frame || now.overrun != eventCounters_.overrun ||
            now.parity != eventCounters_.parity || now.bufOverrun != eventCounters_.bufOverrun)
          found |= EV_ERR;
        if (now.brk != eventCounters_.brk) found |= EV_BREAK;
        eventCounters_ = now;
      }
    }
    return found & mask_;
  }

  std::mutex m_;
  std::condition_variable idle_;
  int users_ = 0;  // threads blocked on fd_ outside the mutex
  bool closed_ = false;
  bool hungUp_ = false;
  int fd_, epfd_;
  int wake_[kSlots];
  TtyLines* lines_;
  DCB dcb_;
  COMMTIMEOUTS timeouts_;
  DWORD inQueue_ = 0;
  DWORD mask_ = 0;
  Pending op_[kSlots];
  std::uint64_t consumed_ = 0, lastReceived_ = 0;
  bool wasFull_ = false;
  bool txNotify_ = false;
  int modem_ = 0;
  LineCounters clearCounters_, eventCounters_;
};

// ---------------------------------------------------------------- priorities

int NiceForClass(DWORD cls) {
  switch (cls) {
    case IDLE_PRIORITY_CLASS: return 19;
    case BELOW_NORMAL_PRIORITY_CLASS: return 10;
    case ABOVE_NORMAL_PRIORITY_CLASS: return -5;
    case HIGH_PRIORITY_CLASS: return -10;
    case REALTIME_PRIORITY_CLASS: return -20;
    default: return 0;
  }
}

DWORD ClassForNice(int nice) {
  if (nice >= 15) return IDLE_PRIORITY_CLASS;
  if (nice >= 5) return BELOW_NORMAL_PRIORITY_CLASS;
  if (nice > -3) return NORMAL_PRIORITY_CLASS;
  if (nice > -8) return ABOVE_NORMAL_PRIORITY_CLASS;
  if (nice > -15) return HIGH_PRIORITY_CLASS;
  return REALTIME_PRIORITY_CLASS;
}

int NiceForThreadPriority(int prio) {
  if (prio <= -15) return 19;
  if (prio >= 15) return -20;
  switch (prio) {
    case -2: return 10;
    case -1: return 5;
    case 1: return -5;
    case 2: return -10;
    default: return 0;
  }
}

int ThreadPriorityForNice(int nice) {
  if (nice >= 15) return -15;
  if (nice >= 8) return -2;
  if (nice >= 3) return -1;
  if (nice > -3) return 0;
  if (nice > -8) return 1;
  if (nice > -15) return 2;
  return 15;
}

// Sets a thread's nice value, as far as this user may: a lower value than
// allowed is clamped to the limit; nothing here ever fails.
void SetNiceAsAllowed(pid_t tid, int nice) {
  if (setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice) == 0) return;
  rlimit rl{};
  if (getrlimit(RLIMIT_NICE, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY) {
    const int floor = 20 - static_cast<int>(std::min<rlim_t>(rl.rlim_cur, 40));
    if (nice < floor) setpriority(PRIO_PROCESS, static_cast<id_t>(tid), floor);
  }
}

pid_t Gettid() { return static_cast<pid_t>(syscall(SYS_gettid)); }

}  // namespace
}  // namespace velkor::posix

using namespace velkor::posix;

// ---------------------------------------------------------------- the Win32 calls

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD creation,
                   DWORD, HANDLE) {
  if (!name || creation != OPEN_EXISTING) return Fail(ERROR_INVALID_PARAMETER, 0), INVALID_HANDLE_VALUE;
  const std::string path = DevicePathFor(name);
  int mode = O_RDWR;
  if ((access & (GENERIC_READ | GENERIC_WRITE)) == GENERIC_READ) mode = O_RDONLY;
  if ((access & (GENERIC_READ | GENERIC_WRITE)) == GENERIC_WRITE) mode = O_WRONLY;
  const int fd = open(path.c_str(), mode | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    Fail(ErrorFromErrnoOnOpen(err), err);
    return INVALID_HANDLE_VALUE;
  }
  auto fail = [&](int err) {
    close(fd);
    Fail(ErrorFromErrno(err), err);
    return INVALID_HANDLE_VALUE;
  };
  if (!isatty(fd)) return fail(ENOTTY);
  if (share == 0) {
    // TIOCEXCL alone does not stop root, hence the lock as well.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(errno == EWOULDBLOCK ? EBUSY : errno);
    if (ioctl(fd, TIOCEXCL) != 0) return fail(errno);
  }
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return fail(errno);
  MakeRaw(tio);
  if (tcsetattr(fd, TCSANOW, &tio) != 0) return fail(errno);

  int wake[kSlots];
  int made = 0;
  for (; made < kSlots; ++made) {
    wake[made] = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake[made] < 0) break;
  }
  const int epfd = made == kSlots ? epoll_create1(EPOLL_CLOEXEC) : -1;
  if (epfd < 0) {
    const int err = errno;
    for (int i = 0; i < made; ++i) close(wake[i]);
    ioctl(fd, TIOCNXCL);
    return fail(err);
  }
  // Edge-triggered: bytes that stay unread do not wake the event thread again.
  epoll_event e{};
  e.events = EPOLLIN | EPOLLOUT | EPOLLET;
  e.data.fd = fd;
  epoll_ctl(epfd, EPOLL_CTL_ADD, fd, &e);
  e.events = EPOLLIN;
  e.data.fd = wake[kWait];
  epoll_ctl(epfd, EPOLL_CTL_ADD, wake[kWait], &e);

  auto dev = std::make_shared<Device>(fd, epfd, wake, LinesFor(path));
  return Insert(std::move(dev));
}

BOOL CloseHandle(HANDLE h) {
  auto obj = Remove(h);
  if (!obj) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
  if (auto dev = std::dynamic_pointer_cast<Device>(obj)) dev->Shutdown();
  return TRUE;
}

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR) {
  auto ev = std::make_shared<Event>();
  ev->manual = manualReset != FALSE;
  ev->signalled = initialState != FALSE;
  return Insert(std::move(ev));
}

BOOL SetEvent(HANDLE h) {
  auto ev = Lookup<Event>(h);
  if (!ev) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
  ev->Set();
  return TRUE;
}

BOOL ResetEvent(HANDLE h) {
  auto ev = Lookup<Event>(h);
  if (!ev) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
  ev->Reset();
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE h, DWORD ms) {
  auto ev = Lookup<Event>(h);
  if (!ev) return Fail(ERROR_INVALID_HANDLE, 0), WAIT_FAILED;
  const bool forever = ms == INFINITE;
  const auto until = Clock::now() + std::chrono::milliseconds(forever ? 0 : ms);
  for (bool first = true;; first = false) {
    std::shared_ptr<Device> dev;
    int slot = -1;
    {
      std::unique_lock lk(ev->m);
      if (ev->signalled) {
        if (!ev->manual) ev->signalled = false;
        return WAIT_OBJECT_0;
      }
      dev = ev->driver.lock();
      slot = ev->slot;
      if (!dev) {
        // A plain event: someone else sets it.
        auto ready = [&] { return ev->signalled; };
        const bool got = forever ? (ev->cv.wait(lk, ready), true) : ev->cv.wait_until(lk, until, ready);
        if (!got) return WAIT_TIMEOUT;
        if (!ev->manual) ev->signalled = false;
        return WAIT_OBJECT_0;
      }
    }
    // An overlapped operation is pending on it: this thread carries it out.
    if (!forever && !first && Clock::now() >= until) return WAIT_TIMEOUT;
    dev->Drive(slot, forever || ms > 0, !forever, until);
    if (!forever && ms == 0) {
      std::lock_guard lk(ev->m);
      if (!ev->signalled) return WAIT_TIMEOUT;
      if (!ev->manual) ev->signalled = false;
      return WAIT_OBJECT_0;
    }
  }
}

BOOL GetCommState(HANDLE h, DCB* dcb) {
  auto dev = Lookup<Device>(h);
  if (!dev || !dcb) return Fail(dev ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE, 0), FALSE;
  return dev->GetState(dcb);
}

BOOL SetCommState(HANDLE h, DCB* dcb) {
  auto dev = Lookup<Device>(h);
  if (!dev || !dcb) return Fail(dev ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE, 0), FALSE;
  return dev->SetState(dcb);
}

BOOL SetupComm(HANDLE h, DWORD in, DWORD) {
  auto dev = Lookup<Device>(h);
  if (!dev) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
  return dev->Setup(in);
}

BOOL GetCommTimeouts(HANDLE h, COMMTIMEOUTS* t) {
  auto dev = Lookup<Device>(h);
  if (!dev || !t) return Fail(dev ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE, 0), FALSE;
  return dev->GetTimeouts(t);
}

BOOL SetCommTimeouts(HANDLE h, COMMTIMEOUTS* t) {
  auto dev = Lookup<Device>(h);
  if (!dev || !t) return Fail(dev ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE, 0), FALSE;
  return dev->SetTimeouts(t);
}

BOOL SetCommMask(HANDLE h, DWORD mask) {
  auto dev = Lookup<Device>(h);
  if (!dev) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
  return dev->SetMask(mask);
}

namespace {

// Synchronous use of the overlapped calls (no OVERLAPPED given): a private
// event, waited for at once.
template <class Start>
BOOL RunSynchronously(HANDLE h, LPDWORD moved, Start start) {
  OVERLAPPED ov{};
  HANDLE ev = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ov.hEvent = ev;
  BOOL ok = start(&ov);
  if (!ok && GetLastError() == ERROR_IO_PENDING) {
    DWORD n = 0;
    ok = GetOverlappedResult(h, &ov, &n, TRUE);
    if (moved) *moved = n;
  }
  const DWORD err = GetLastError();
  CloseHandle(ev);
  SetLastError(ok ? 0 : err);
  return ok;
}

}  // namespace

BOOL WaitCommEvent(HANDLE h, LPDWORD events, LPOVERLAPPED ov) {
  if (!ov) return RunSynchronously(h, nullptr, [&](OVERLAPPED* o) { return WaitCommEvent(h, events, o); });
  auto dev = Lookup<Device>(h);
  auto ev = Lookup<Event>(ov->hEvent);
  if (!dev || !ev || !events) return Fail(dev ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE, 0), FALSE;
  return dev->StartWait(events, ov, ev);
}

BOOL ReadFile(HANDLE h, LPVOID buffer, DWORD n, LPDWORD read, LPOVERLAPPED ov) {
  if (!ov) return RunSynchronously(h, read, [&](OVERLAPPED* o) { return ReadFile(h, buffer, n, read, o); });
  auto dev = Lookup<Device>(h);
  auto ev = Lookup<Event>(ov->hEvent);
  if (!dev || !ev) return Fail(dev ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE, 0), FALSE;
  return dev->StartTransfer(kRead, static_cast<BYTE*>(buffer), nullptr, n, read, ov, ev);
}

BOOL WriteFile(HANDLE h, LPCVOID buffer, DWORD n, LPDWORD written, LPOVERLAPPED ov) {
  if (!ov)
    return RunSynchronously(h, written, [&](OVERLAPPED* o) { return WriteFile(h, buffer, n, written, o); });
  auto dev = Lookup<Device>(h);
  auto ev = Lookup<Event>(ov->hEvent);
  if (!dev || !ev) return Fail(dev ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE, 0), FALSE;
  return dev->StartTransfer(kWrite, nullptr, static_cast<const BYTE*>(buffer), n, written, ov, ev);
}

BOOL GetOverlappedResult(HANDLE h, LPOVERLAPPED ov, LPDWORD transferred, BOOL wait) {
  if (!Lookup<Device>(h)) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
  if (!ov || !ov->hEvent) return Fail(ERROR_INVALID_PARAMETER, 0), FALSE;
  // The completion event orders our reading of the record after its filling.
  const DWORD r = WaitForSingleObject(ov->hEvent, wait ? INFINITE : 0);
  if (r == WAIT_TIMEOUT) return Fail(ERROR_IO_INCOMPLETE, 0), FALSE;
  if (r != WAIT_OBJECT_0) return FALSE;
  if (transferred) *transferred = static_cast<DWORD>(ov->InternalHigh);
  if (ov->Internal != 0) return Fail(static_cast<DWORD>(ov->Internal), 0), FALSE;
  return TRUE;
}

BOOL ClearCommError(HANDLE h, LPDWORD errors, COMSTAT* stat) {
  auto dev = Lookup<Device>(h);
  if (!dev) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
  return dev->ClearErrors(errors, stat);
}

BOOL PurgeComm(HANDLE h, DWORD flags) {
  auto dev = Lookup<Device>(h);
  if (!dev) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
  return dev->Purge(flags);
}

BOOL GetCommModemStatus(HANDLE h, LPDWORD status) {
  auto dev = Lookup<Device>(h);
  if (!dev || !status) return Fail(dev ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE, 0), FALSE;
  return dev->ModemStatus(status);
}

DWORD GetLastError() { return tLastError; }
void SetLastError(DWORD code) { tLastError = code; }

DWORD FormatMessageA(DWORD, LPCVOID, DWORD code, DWORD, LPSTR buffer, DWORD size, void*) {
  int err = 0;
  {
    std::lock_guard lk(gErrnoMutex);
    auto it = gErrnoForCode.find(code);
    err = it != gErrnoForCode.end() ? it->second : DefaultErrnoFor(code);
  }
  if (err == 0 || !buffer || size == 0) return 0;
  static std::mutex strerrorMutex;  // strerror's buffer is shared
  std::string text;
  {
    std::lock_guard lk(strerrorMutex);
    text = std::strerror(err);
  }
  const std::size_t n = std::min<std::size_t>(text.size(), size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return static_cast<DWORD>(n);
}

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)); }

DWORD GetPriorityClass(HANDLE) {
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(getpid()));
  return ClassForNice(errno == 0 ? nice : 0);
}

BOOL SetPriorityClass(HANDLE, DWORD cls) {
  // Linux threads each have their own nice value: give it to every thread.
  const int nice = NiceForClass(cls);
  if (DIR* d = opendir("/proc/self/task")) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') SetNiceAsAllowed(static_cast<pid_t>(std::atoi(e->d_name)), nice);
    closedir(d);
  } else {
    SetNiceAsAllowed(getpid(), nice);
  }
  return TRUE;
}

DWORD GetCurrentThreadId() { return static_cast<DWORD>(Gettid()); }

HANDLE ThreadHandleFromId(DWORD id) { return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(id)); }

BOOL SetThreadPriority(HANDLE thread, int priority) {
  const auto tid = static_cast<pid_t>(reinterpret_cast<std::uintptr_t>(thread));
  if (tid <= 0) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
  SetNiceAsAllowed(tid, NiceForThreadPriority(priority));
  return TRUE;
}

int GetThreadPriority(HANDLE thread) {
  const auto tid = static_cast<pid_t>(reinterpret_cast<std::uintptr_t>(thread));
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
  return ThreadPriorityForNice(errno == 0 ? nice : 0);
}

namespace velkor::posix {

void SetTtyLinesForPath(const char* path, TtyLines* lines) {
  std::lock_guard lk(gLinesMutex);
  if (lines)
    gLinesByPath[path] = lines;
  else
    gLinesByPath.erase(path);
}

}  // namespace velkor::posix
