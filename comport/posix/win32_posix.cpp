// POSIX side of the Win32 calls listed in win32_posix.h: names and error
// codes, the tty calls under the layer, events and the calls on devices
// (serial_device.cpp does their work; priority.cpp the priority calls).
#include "win32_posix.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <linux/serial.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "handles.h"
#include "serial_device.h"

namespace velkor::posix {

// ---------------------------------------------------------------- names, errors

std::string DevicePathFor(const std::string& given, const char* (*getenvFn)(const char*)) {
  static const char* const kDefaults[] = {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyUSB0",
                                          "/dev/ttyUSB1"};
  static const char* const kNames[] = {"COM1", "COM2", "COM3", "COM4"};
  // "\\.\COM1" is Windows' device-namespace spelling of "COM1".
  const std::string name = given.rfind("\\\\.\\", 0) == 0 ? given.substr(4) : given;
  for (int i = 0; i < 4; ++i) {
    if (name != kNames[i]) continue;
    const std::string var = std::string("VELKOR_") + kNames[i];
    const char* over = getenvFn ? getenvFn(var.c_str()) : std::getenv(var.c_str());
    return over && *over ? std::string(over) : std::string(kDefaults[i]);
  }
  return given;
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

TtyLines* LinesFor(const std::string& path) {
  std::lock_guard lk(gLinesMutex);
  auto it = gLinesByPath.find(path);
  return it == gLinesByPath.end() ? &gRealLines : it->second;
}

}  // namespace

void SetTtyLinesForPath(const char* path, TtyLines* lines) {
  std::lock_guard lk(gLinesMutex);
  if (lines)
    gLinesByPath[path] = lines;
  else
    gLinesByPath.erase(path);
}

}  // namespace velkor::posix

using namespace velkor::posix;

// ---------------------------------------------------------------- the Win32 calls

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD creation,
                   DWORD flags, HANDLE) {
  if (!name || creation != OPEN_EXISTING) return Fail(ERROR_INVALID_PARAMETER, 0), INVALID_HANDLE_VALUE;
  const std::string path = DevicePathFor(name);
  int mode = O_RDWR;
  if ((access & (GENERIC_READ | GENERIC_WRITE)) == GENERIC_READ) mode = O_RDONLY;
  if ((access & (GENERIC_READ | GENERIC_WRITE)) == GENERIC_WRITE) mode = O_WRONLY;
  auto dev = Device::Open(path, mode, share == 0, (flags & FILE_FLAG_OVERLAPPED) != 0, LinesFor(path));
  if (!dev) return INVALID_HANDLE_VALUE;
  SetLastErrorValue(ERROR_SUCCESS);  // Windows' CreateFile and CreateEvent do, on success
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
  SetLastErrorValue(ERROR_SUCCESS);
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

namespace {

// What a HANDLE waits for: an event, or a device's own event (signalled by
// the operations whose record names no event, as a file handle on Windows).
std::shared_ptr<Event> Waitable(HANDLE h) {
  auto obj = LookupObject(h);
  if (auto ev = std::dynamic_pointer_cast<Event>(obj)) return ev;
  if (auto dev = std::dynamic_pointer_cast<Device>(obj)) return dev->HandleEvent();
  return nullptr;
}

DWORD WaitOn(const std::shared_ptr<Event>& ev, DWORD ms) {
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

// One step, without blocking, of the operation pending on ev, if any: a read
// goes on only when someone looks at it.
void DriveOnce(const std::shared_ptr<Event>& ev) {
  std::shared_ptr<Device> dev;
  int slot = -1;
  {
    std::lock_guard lk(ev->m);
    dev = ev->driver.lock();
    slot = ev->slot;
  }
  if (dev) dev->Drive(slot, false, false, {});
}

}  // namespace

DWORD WaitForSingleObject(HANDLE h, DWORD ms) {
  auto ev = Waitable(h);
  if (!ev) return Fail(ERROR_INVALID_HANDLE, 0), WAIT_FAILED;
  return WaitOn(ev, ms);
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

// ReadFile, WriteFile and WaitCommEvent. On a handle opened overlapped the
// operation starts on the caller's record and the call returns at once; it
// needs a record. On any other handle the call runs to its end on a record
// of its own: one given is used only for its event, and gets the outcome.
// Either way the record's event is reset when the call begins, and a call
// that succeeds leaves the last-error value as it was.
template <class Start>
BOOL Call(HANDLE h, OVERLAPPED* ov, DWORD* moved, Start start) {
  auto dev = Lookup<Device>(h);
  if (!dev) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
  std::shared_ptr<Event> given;
  if (ov && ov->hEvent && !(given = Lookup<Event>(ov->hEvent))) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
  if (dev->Overlapped()) {
    if (!ov) return Fail(ERROR_INVALID_PARAMETER, 0), FALSE;
    const std::shared_ptr<Event>& ev = given ? given : dev->HandleEvent();
    ev->Reset();
    return start(*dev, ov, ev);
  }
  const DWORD before = LastError();
  if (given) given->Reset();
  OVERLAPPED own{};
  auto ev = std::make_shared<Event>();
  ev->manual = true;
  if (!start(*dev, &own, ev)) {
    if (LastError() != ERROR_IO_PENDING) return FALSE;
    WaitOn(ev, INFINITE);
  }
  if (ov) {
    ov->InternalHigh = own.InternalHigh;
    std::atomic_ref(ov->Internal).store(own.Internal, std::memory_order_release);
  }
  if (given) given->Set();
  if (!StatusSucceeded(own.Internal)) return Fail(ErrorForStatus(own.Internal), 0), FALSE;
  if (moved) *moved = static_cast<DWORD>(own.InternalHigh);
  SetLastErrorValue(before);
  return TRUE;
}

}  // namespace

BOOL WaitCommEvent(HANDLE h, LPDWORD events, LPOVERLAPPED ov) {
  if (!events) return Fail(ERROR_INVALID_PARAMETER, 0), FALSE;
  return Call(h, ov, nullptr, [&](Device& dev, OVERLAPPED* o, const std::shared_ptr<Event>& ev) {
    return dev.StartWait(events, o, ev);
  });
}

// Both set the count to 0 before anything else, as Windows does.
BOOL ReadFile(HANDLE h, LPVOID buffer, DWORD n, LPDWORD read, LPOVERLAPPED ov) {
  if (read) *read = 0;
  return Call(h, ov, read, [&](Device& dev, OVERLAPPED* o, const std::shared_ptr<Event>& ev) {
    return dev.StartTransfer(kRead, static_cast<BYTE*>(buffer), nullptr, n, read, o, ev);
  });
}

BOOL WriteFile(HANDLE h, LPCVOID buffer, DWORD n, LPDWORD written, LPOVERLAPPED ov) {
  if (written) *written = 0;
  return Call(h, ov, written, [&](Device& dev, OVERLAPPED* o, const std::shared_ptr<Event>& ev) {
    return dev.StartTransfer(kWrite, nullptr, static_cast<const BYTE*>(buffer), n, written, o, ev);
  });
}

namespace {

// The record's status, read as the layer writes it: once it is no longer
// pending, the rest of the record is filled in.
ULONG_PTR StatusOf(const OVERLAPPED* ov) {
  return std::atomic_ref(const_cast<ULONG_PTR&>(ov->Internal)).load(std::memory_order_acquire);
}

}  // namespace

// As on Windows: a finished operation's record answers at once, whatever
// its event's state and the handle; only one still pending is waited for,
// on its event or else on the handle.
BOOL GetOverlappedResult(HANDLE h, LPOVERLAPPED ov, LPDWORD transferred, BOOL wait) {
  if (!ov) return Fail(ERROR_INVALID_PARAMETER, 0), FALSE;
  if (StatusOf(ov) == STATUS_PENDING) {
    auto ev = Waitable(ov->hEvent ? ov->hEvent : h);
    if (!ev) return Fail(ERROR_INVALID_HANDLE, 0), FALSE;
    if (wait) {
      WaitOn(ev, INFINITE);
    } else {
      DriveOnce(ev);
      if (StatusOf(ov) == STATUS_PENDING) return Fail(ERROR_IO_INCOMPLETE, 0), FALSE;
    }
  }
  const ULONG_PTR status = StatusOf(ov);
  if (transferred) *transferred = static_cast<DWORD>(ov->InternalHigh);
  if (!StatusSucceeded(status)) return Fail(ErrorForStatus(status), 0), FALSE;
  return TRUE;
}

bool HasOverlappedIoCompleted(const OVERLAPPED* ov) {
  if (StatusOf(ov) != STATUS_PENDING) return true;
  if (auto ev = ov->hEvent ? Lookup<Event>(ov->hEvent) : nullptr) DriveOnce(ev);
  return StatusOf(ov) != STATUS_PENDING;
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

DWORD GetLastError() { return LastError(); }
void SetLastError(DWORD code) { SetLastErrorValue(code); }

DWORD FormatMessageA(DWORD, LPCVOID, DWORD code, DWORD, LPSTR buffer, DWORD size, void*) {
  const int err = ErrnoForCode(code);
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

