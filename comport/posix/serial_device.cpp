#include "serial_device.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "dcb_termios.h"
#include "error_codes.h"

namespace velkor::posix {

namespace {

// What cfgetospeed reads for a rate set through termios2 (the kernel's BOTHER).
constexpr speed_t kOtherSpeed = 0010000;

// Each modem line: its termios bit, its event, its status bit and the
// counter that records its changes.
struct ModemLine {
  int bit;
  DWORD event;
  DWORD status;
  std::uint32_t LineCounters::*changes;
};
constexpr ModemLine kModemLines[] = {
    {TIOCM_CTS, EV_CTS, MS_CTS_ON, &LineCounters::cts},
    {TIOCM_DSR, EV_DSR, MS_DSR_ON, &LineCounters::dsr},
    {TIOCM_RI, EV_RING, MS_RING_ON, &LineCounters::rng},
    {TIOCM_CD, EV_RLSD, MS_RLSD_ON, &LineCounters::dcd},
};
constexpr DWORD kModemEvents = EV_CTS | EV_DSR | EV_RING | EV_RLSD;

DWORD ModemToWin32(int bits) {
  DWORD s = 0;
  for (const ModemLine& line : kModemLines)
    if (bits & line.bit) s |= line.status;
  return s;
}

// The Win32 error word for what the counters recorded between two looks.
DWORD ErrorsBetween(const LineCounters& before, const LineCounters& now) {
  DWORD e = 0;
  if (now.bufOverrun != before.bufOverrun) e |= CE_RXOVER;
  if (now.overrun != before.overrun) e |= CE_OVERRUN;
  if (now.parity != before.parity) e |= CE_RXPARITY;
  if (now.frame != before.frame) e |= CE_FRAME;
  if (now.brk != before.brk) e |= CE_BREAK;
  return e;
}

int PollTimeout(bool hasLimit, Clock::time_point limit) {
  if (!hasLimit) return -1;
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(limit - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left + 1, 0, 24LL * 3600 * 1000));
}

// The exclusive flag of a tty being opened, taken back on every way out
// until the device keeps it.
class ExclusiveUse {
 public:
  ~ExclusiveUse() {
    if (fd_ >= 0) ioctl(fd_, TIOCNXCL);
  }
  int Take(int fd) {
    if (ioctl(fd, TIOCEXCL) != 0) return errno;
    fd_ = fd;
    return 0;
  }
  void Keep() { fd_ = -1; }

 private:
  int fd_ = -1;
};

}  // namespace

// ---------------------------------------------------------------- opening and closing

std::shared_ptr<Device> Device::Open(const std::string& path, int mode, bool exclusive,
                                     bool overlapped, TtyLines* lines) {
  UniqueFd fd(open(path.c_str(), mode | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!fd) {
    const int err = errno;
    Fail(ErrorFromErrnoOnOpen(err), err);
    return nullptr;
  }
  auto fail = [](int err) -> std::shared_ptr<Device> {
    Fail(ErrorFromErrno(err), err);
    return nullptr;
  };
  if (!isatty(fd.get())) return fail(ENOTTY);
  ExclusiveUse exclusiveUse;  // declared after fd: given back before fd closes
  if (exclusive) {
    // TIOCEXCL alone does not stop root, hence the lock as well.
    if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return fail(errno == EWOULDBLOCK ? EBUSY : errno);
    if (int err = exclusiveUse.Take(fd.get())) return fail(err);
  }
  termios tio{};
  if (int err = lines->GetAttributes(fd.get(), &tio)) return fail(err);
  MakeRaw(tio);
  if (int err = lines->SetAttributes(fd.get(), tio)) return fail(err);

  std::array<UniqueFd, kSlots> wake;
  for (UniqueFd& w : wake) {
    w.reset(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!w) return fail(errno);
  }
  UniqueFd epfd(epoll_create1(EPOLL_CLOEXEC));
  if (!epfd) return fail(errno);
  // Edge-triggered: bytes that stay unread do not wake the event thread again.
  epoll_event e{};
  e.events = EPOLLIN | EPOLLOUT | EPOLLET;
  e.data.fd = fd.get();
  if (epoll_ctl(epfd.get(), EPOLL_CTL_ADD, fd.get(), &e) != 0) return fail(errno);
  e.events = EPOLLIN;
  e.data.fd = wake[kWait].get();
  if (epoll_ctl(epfd.get(), EPOLL_CTL_ADD, wake[kWait].get(), &e) != 0) return fail(errno);

  auto dev = std::make_shared<Device>(std::move(fd), std::move(epfd), std::move(wake), lines, tio,
                                      overlapped);
  exclusiveUse.Keep();
  return dev;
}

Device::Device(UniqueFd fd, UniqueFd epfd, std::array<UniqueFd, kSlots> wake, TtyLines* lines,
               const termios& tio, bool overlapped)
    : fd_(std::move(fd)),
      epfd_(std::move(epfd)),
      wake_(std::move(wake)),
      lines_(lines),
      overlapped_(overlapped),
      handleEvent_(std::make_shared<Event>()) {
  handleEvent_->manual = true;
  std::memset(&dcb_, 0, sizeof dcb_);
  dcb_.DCBlength = sizeof(DCB);
  // Opening a tty raises DTR and RTS; report the lines as they are where we can.
  int bits = TIOCM_DTR | TIOCM_RTS;
  lines_->GetModemBits(fd_.get(), &bits);
  dcb_.fDtrControl = (bits & TIOCM_DTR) ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
  dcb_.fRtsControl = (bits & TIOCM_RTS) ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
  TermiosToDcb(tio, dcb_);
  std::memset(&timeouts_, 0, sizeof timeouts_);
  lines_->GetCounters(fd_.get(), &clearCounters_);
  eventCounters_ = clearCounters_;
  lines_->GetModemBits(fd_.get(), &modem_);
}

void Device::Shutdown() {
  std::thread writer;
  {
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
    writer = std::move(writer_);
  }
  // Both see closed_ and leave without touching the descriptors again.
  modemWatch_.Stop();
  if (writer.joinable()) writer.join();
  ioctl(fd_.get(), TIOCNXCL);  // the exclusive flag outlives us on a tty others keep open
  fd_.reset();                 // also drops the flock
  epfd_.reset();
  for (UniqueFd& w : wake_) w.reset();
}

// ---------------------------------------------------------------- settings

BOOL Device::GetState(DCB* out) {
  std::lock_guard lk(m_);
  if (closed_) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
  termios tio{};
  if (int err = lines_->GetAttributes(fd_.get(), &tio)) return FailErrno(err), FALSE;
  DCB d = dcb_;
  TermiosToDcb(tio, d);
  unsigned other = 0;
  if (cfgetospeed(&tio) == kOtherSpeed && GetOtherRate(fd_.get(), &other) == 0) d.BaudRate = other;
  d.DCBlength = out->DCBlength;
  *out = d;
  return TRUE;
}

BOOL Device::SetState(const DCB* in) {
  std::lock_guard lk(m_);
  if (closed_) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
  termios tio{};
  if (int err = lines_->GetAttributes(fd_.get(), &tio)) return FailErrno(err), FALSE;
  DCB wanted = *in;
  unsigned current = 0;
  // A rate set through termios2 reads back as BOTHER: compare with the real one.
  if (cfgetospeed(&tio) == kOtherSpeed && GetOtherRate(fd_.get(), &current) == 0 &&
      current == in->BaudRate)
    wanted.BaudRate = 0;
  DWORD other = 0;
  if (DWORD err = DcbToTermios(wanted, tio, &other)) return Fail(err, EINVAL), FALSE;
  if (int err = lines_->SetAttributes(fd_.get(), tio)) return FailErrno(err), FALSE;
  if (other != 0)
    if (int err = SetOtherRate(fd_.get(), other)) return FailErrno(err), FALSE;
  // DTR and RTS are lines, not termios flags. Ptys have none: not an error.
  int set = 0, clear = 0;
  (in->fDtrControl == DTR_CONTROL_DISABLE ? clear : set) |= TIOCM_DTR;
  if (in->fRtsControl == RTS_CONTROL_DISABLE)
    clear |= TIOCM_RTS;
  else if (in->fRtsControl != RTS_CONTROL_HANDSHAKE)
    set |= TIOCM_RTS;
  int err = lines_->SetModemBits(fd_.get(), set, clear);
  if (err != 0 && err != ENOTTY && err != EINVAL) return FailErrno(err), FALSE;
  dcb_ = *in;
  filter_.Configure(RxFilterFor(*in));
  return TRUE;
}

BOOL Device::Setup(DWORD in) {
  std::lock_guard lk(m_);
  if (closed_) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
  inQueue_ = in;  // Linux queues have a fixed size; kept for EV_RX80FULL
  return TRUE;
}

BOOL Device::GetTimeouts(COMMTIMEOUTS* t) {
  std::lock_guard lk(m_);
  if (closed_) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
  *t = timeouts_;
  return TRUE;
}

BOOL Device::SetTimeouts(const COMMTIMEOUTS* t) {
  std::lock_guard lk(m_);
  if (closed_) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
  timeouts_ = *t;
  return TRUE;
}

// ---------------------------------------------------------------- events

BOOL Device::SetMask(DWORD mask) {
  std::lock_guard lk(m_);
  if (closed_) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
  // As Windows' driver does: events seen under the old mask stay pending for
  // the bits still asked for; a bit newly asked for starts from now, so what
  // happened before (bytes received, a line change...) is not its event.
  history_ = CollectEvents() & mask;  // the kept history comes with them
  const DWORD added = mask & ~mask_;
  mask_ = mask;
  history_ |= CollectEvents() & ~added;
  // A new mask ends the wait in progress, which then reports nothing.
  if (op_[kWait].active) {
    *op_[kWait].events = 0;
    Complete(kWait, 0);
  }
  Wake(kWait);
  // The helper never takes m_: stopping it here cannot wait for us.
  if (mask & kModemEvents)
    modemWatch_.Start(fd_.get(), lines_, [this] { Wake(kWait); });
  else
    modemWatch_.Stop();
  return TRUE;
}

BOOL Device::StartWait(DWORD* events, OVERLAPPED* ov, const std::shared_ptr<Event>& ev) {
  std::lock_guard lk(m_);
  if (closed_) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
  if (hungUp_) return Fail(ERROR_ACCESS_DENIED, EIO), FALSE;
  if (mask_ == 0 || op_[kWait].active) return Fail(ERROR_INVALID_PARAMETER, 0), FALSE;
  Pending& p = Begin(kWait, ov, ev);
  p.events = events;
  if (const DWORD found = CollectEvents()) {
    // Done at once, and complete as any finished wait: record and event.
    *events = found;
    Complete(kWait, ERROR_SUCCESS);
    return TRUE;
  }
  Arm(kWait);
  return Fail(ERROR_IO_PENDING, 0), FALSE;
}

// Events of the current mask since the last look (with those kept from
// before), without blocking.
DWORD Device::CollectEvents() {
  DWORD found = history_;
  history_ = 0;
  int inq = 0;
  if (ioctl(fd_.get(), FIONREAD, &inq) == 0) {
    const std::uint64_t received = consumed_ + static_cast<std::uint64_t>(inq);
    if (received > lastReceived_) found |= EV_RXCHAR;
    lastReceived_ = received;
    const std::size_t queued = static_cast<std::size_t>(inq) + inBuf_.size();
    const bool full = inQueue_ != 0 && queued * 5 >= std::size_t{inQueue_} * 4;
    if (full && !wasFull_) found |= EV_RX80FULL;
    wasFull_ = full;
  }
  if (txNotify_ && !op_[kWrite].active) {
    int outq = 0;
    if (ioctl(fd_.get(), TIOCOUTQ, &outq) != 0 || outq == 0) {
      found |= EV_TXEMPTY;
      txNotify_ = false;
    }
  }
  if (mask_ & kModemEvents) {
    int bits = 0;
    if (lines_->GetModemBits(fd_.get(), &bits) == 0) {
      for (const ModemLine& line : kModemLines)
        if ((bits ^ modem_) & line.bit) found |= line.event;
      modem_ = bits;
    }
  }
  if (mask_ & (EV_ERR | EV_BREAK | kModemEvents)) {
    LineCounters now;
    if (lines_->GetCounters(fd_.get(), &now) == 0) {
      const DWORD errors = ErrorsBetween(eventCounters_, now);
      if (errors & ~CE_BREAK) found |= EV_ERR;
      if (errors & CE_BREAK) found |= EV_BREAK;
      // A line that went and came back between two looks shows in its count.
      for (const ModemLine& line : kModemLines)
        if (now.*line.changes != eventCounters_.*line.changes) found |= line.event;
      eventCounters_ = now;
    }
  }
  if (InErrorState()) {
    for (int s : {kRead, kWrite}) {
      if (op_[s].active) Complete(s, ERROR_OPERATION_ABORTED);
      Wake(s);
    }
  }
  return found & mask_;
}

// ---------------------------------------------------------------- transfers

BOOL Device::StartTransfer(Slot s, BYTE* rbuf, const BYTE* wbuf, DWORD n, DWORD* moved,
                           OVERLAPPED* ov, const std::shared_ptr<Event>& ev) {
  std::lock_guard lk(m_);
  if (closed_) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
  if (hungUp_) return Fail(ERROR_ACCESS_DENIED, EIO), FALSE;
  if (op_[s].active) return Fail(ERROR_INVALID_PARAMETER, 0), FALSE;
  if (InErrorState()) return Fail(ERROR_OPERATION_ABORTED, 0), FALSE;
  Pending& p = Begin(s, ov, ev);
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
      p.returnsAtOnce = true;
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
  if (op_[s].active) {
    if (s == kWrite) StartWriter();
    return Fail(ERROR_IO_PENDING, 0), FALSE;
  }
  if (!StatusSucceeded(ov->Internal)) return Fail(ErrorForStatus(ov->Internal), 0), FALSE;
  if (moved) *moved = static_cast<DWORD>(ov->InternalHigh);
  return TRUE;
}

void Device::Drive(int s, bool block, bool hasUntil, Clock::time_point until) {
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
    if (ioctl(fd_.get(), TIOCOUTQ, &outq) == 0 && outq > 0) {
      const DWORD rate = std::max<DWORD>(dcb_.BaudRate, 50);
      consider(Clock::now() + std::chrono::milliseconds(20 + outq * 10000LL / rate));
    }
  }
  const int timeoutMs = PollTimeout(hasLimit, limit);

  ++users_;
  const int fd = fd_.get(), epfd = epfd_.get(), wake = wake_[s].get();
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
  // A transfer the line dropped ends here: polling again would return at once.
  if (hangup && op_[s].active && s != kWait) Complete(s, ERROR_ACCESS_DENIED);
}

// Under m_. The write did not finish at once: a thread of ours carries it on,
// so that it completes while the caller does something else or nothing.
void Device::StartWriter() {
  if (writerRunning_) {
    Wake(kWrite);  // still in its loop: it takes this write on
  } else {
    if (writer_.joinable()) writer_.join();  // one that has left its loop
    try {
      writer_ = std::thread([this] { RunWriter(); });
    } catch (const std::system_error&) {
      return;  // no thread to spare: whoever waits for the write carries it
    }
    writerRunning_ = true;
  }
  const std::shared_ptr<Event>& ev = op_[kWrite].ev;
  std::lock_guard evLock(ev->m);
  ev->driver.reset();
  ev->slot = -1;
}

// The writer thread: carries writes on until none is pending. Its last look
// and writerRunning_ share one hold of m_, so that StartWriter either hands
// it the next write or starts another thread.
void Device::RunWriter() {
  for (;;) {
    Drive(kWrite, true, false, {});
    std::lock_guard lk(m_);
    if (closed_ || !op_[kWrite].active) {
      writerRunning_ = false;
      return;
    }
  }
}

BOOL Device::ClearErrors(DWORD* errors, COMSTAT* stat) {
  std::lock_guard lk(m_);
  if (closed_) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
  int inq = 0, outq = 0;
  if (ioctl(fd_.get(), FIONREAD, &inq) != 0) return FailErrno(errno), FALSE;
  if (ioctl(fd_.get(), TIOCOUTQ, &outq) != 0) outq = 0;
  DWORD e = 0;
  LineCounters now;
  if (lines_->GetCounters(fd_.get(), &now) == 0) {
    e = ErrorsBetween(clearCounters_, now);
    clearCounters_ = now;  // this also ends the error state of fAbortOnError
  }
  if (errors) *errors = e;
  if (stat) {
    std::size_t queued = inBuf_.size();
    if (filter_.Active()) {
      // What the tty holds may shrink once decoded: count it decoded.
      PullAvailable();
      queued = inBuf_.size();
    } else {
      queued += static_cast<std::size_t>(inq);
    }
    stat->Flags = 0;
    stat->cbInQue = static_cast<DWORD>(queued);
    stat->cbOutQue = static_cast<DWORD>(outq);
  }
  return TRUE;
}

BOOL Device::Purge(DWORD flags) {
  std::lock_guard lk(m_);
  if (closed_) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
  if ((flags & PURGE_RXABORT) && op_[kRead].active) Complete(kRead, ERROR_OPERATION_ABORTED);
  if ((flags & PURGE_TXABORT) && op_[kWrite].active) Complete(kWrite, ERROR_OPERATION_ABORTED);
  Wake(kRead);
  Wake(kWrite);
  if (flags & PURGE_RXCLEAR) {
    int inq = 0;
    if (ioctl(fd_.get(), FIONREAD, &inq) != 0) inq = 0;
    if (tcflush(fd_.get(), TCIFLUSH) != 0) return FailErrno(errno), FALSE;
    consumed_ += static_cast<std::uint64_t>(inq);
    inBuf_.clear();
    filter_.Reset();
  }
  if ((flags & PURGE_TXCLEAR) && tcflush(fd_.get(), TCOFLUSH) != 0) return FailErrno(errno), FALSE;
  return TRUE;
}

BOOL Device::ModemStatus(DWORD* status) {
  std::lock_guard lk(m_);
  if (closed_) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
  int bits = 0;
  if (int err = lines_->GetModemBits(fd_.get(), &bits)) return FailErrno(err), FALSE;
  *status = ModemToWin32(bits);
  return TRUE;
}

// ---------------------------------------------------------------- under m_

void Device::Wake(int s) {
  const std::uint64_t one = 1;
  [[maybe_unused]] ssize_t r = write(wake_[s].get(), &one, sizeof one);
}

Pending& Device::Begin(int s, OVERLAPPED* ov, const std::shared_ptr<Event>& ev) {
  Pending& p = op_[s];
  p = Pending{};
  p.active = true;
  p.ov = ov;
  p.ev = ev;
  return p;
}

void Device::Arm(int s) {
  Pending& p = op_[s];
  p.ov->InternalHigh = 0;
  std::atomic_ref(p.ov->Internal).store(STATUS_PENDING, std::memory_order_release);
  std::lock_guard lk(p.ev->m);
  p.ev->signalled = false;
  p.ev->driver = weak_from_this();
  p.ev->slot = s;
}

// Fills the record as Windows does (a finished wait moved its event mask, a
// DWORD), then sets the event. Internal last: a completed status tells a
// reader on another thread that the rest of the record is filled.
void Device::Complete(int s, DWORD error) {
  Pending& p = op_[s];
  const bool waited = s == kWait && error == ERROR_SUCCESS;
  p.ov->InternalHigh = waited ? sizeof(DWORD) : p.done;
  const ULONG_PTR status = p.timedOut && error == ERROR_SUCCESS ? kStatusTimeout : StatusForError(error);
  std::atomic_ref(p.ov->Internal).store(status, std::memory_order_release);
  p.active = false;
  auto ev = std::move(p.ev);
  p = Pending{};
  ev->Set();
}

// With fAbortOnError, a line error since the last ClearCommError is Windows'
// error state: transfers end and new ones are refused until the next one.
bool Device::InErrorState() {
  if (!dcb_.fAbortOnError) return false;
  LineCounters now;
  return lines_->GetCounters(fd_.get(), &now) == 0 && ErrorsBetween(clearCounters_, now) != 0;
}

// Received bytes as a reader gets them: first those decoded already, then
// from the tty. > 0 bytes, 0 at end of file (the other end hung up), or -1
// with errno.
ssize_t Device::ReadSome(BYTE* dst, std::size_t max) {
  for (;;) {
    if (!inBuf_.empty()) {
      const std::size_t n = std::min(max, inBuf_.size());
      std::memcpy(dst, inBuf_.data(), n);
      inBuf_.erase(0, n);
      return static_cast<ssize_t>(n);
    }
    if (!filter_.Active()) {
      const ssize_t n = read(fd_.get(), dst, max);
      if (n > 0) consumed_ += static_cast<std::uint64_t>(n);
      return n;
    }
    // Decoding never makes more bytes than it is given: read no more than
    // the reader wants, so nothing piles up here.
    const ssize_t n = ReadAndDecode(max);
    if (n <= 0) return n;
    // All dropped, or a mark cut short: read on.
  }
}

// Decodes what the tty holds, up to the input queue's size.
void Device::PullAvailable() {
  const std::size_t cap = std::max<std::size_t>(inQueue_, 4096);
  while (inBuf_.size() < cap)
    if (ReadAndDecode(cap - inBuf_.size()) <= 0) return;  // nothing more, or an end the next read reports
}

// Reads up to `max` raw bytes (4096 at most) from the tty and appends their
// decoding to inBuf_; returns what read returned, errno kept.
ssize_t Device::ReadAndDecode(std::size_t max) {
  unsigned char raw[4096];
  const ssize_t n = read(fd_.get(), raw, std::min(max, sizeof raw));
  if (n <= 0) return n;
  consumed_ += static_cast<std::uint64_t>(n);
  filter_.Decode(raw, static_cast<std::size_t>(n), inBuf_);
  return n;
}

// One step without blocking; completes the operation when it is done,
// failed or out of time.
void Device::Progress(int s) {
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
  if (InErrorState()) return Complete(s, ERROR_OPERATION_ABORTED);
  while (p.done < p.want) {
    ssize_t n = s == kRead ? ReadSome(p.rbuf + p.done, p.want - p.done)
                           : write(fd_.get(), p.wbuf + p.done, p.want - p.done);
    if (n > 0) {
      p.done += static_cast<DWORD>(n);
      if (s == kRead) {
        p.lastByte = Clock::now();
        if (p.anyByteEnds) break;
      }
      continue;
    }
    if (n == 0 && s == kRead) {  // end of file on a tty: the other end hung up
      hungUp_ = true;
      return Complete(s, ERROR_ACCESS_DENIED);
    }
    const int err = errno;
    if (err == EINTR) continue;
    if (err != EAGAIN) {
      NoteErrno(ErrorFromErrno(err), err);
      return Complete(s, ErrorFromErrno(err));
    }
    const auto now = Clock::now();
    const bool totalOver = p.hasDeadline && now >= p.deadline;
    const bool gapOver = s == kRead && p.interval != 0 && p.done != 0 &&
                         now >= p.lastByte + std::chrono::milliseconds(p.interval);
    if (totalOver || gapOver) {
      p.timedOut = !p.returnsAtOnce;
      break;
    }
    return;  // still pending
  }
  if (s == kWrite && p.done != 0) {
    txNotify_ = true;
    Wake(kWait);
  }
  Complete(s, 0);
}

}  // namespace velkor::posix
