// POSIX side of the Win32 calls listed in win32_posix.h: events and the
// calls on devices (serial_device.cpp does their work; priority.cpp the
// priority calls).
#include "win32_posix.h"

#include <fcntl.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "device_path.h"
#include "error_codes.h"
#include "handles.h"
#include "serial_device.h"
#include "tty_lines.h"

using namespace velkor::posix;

// ---------------------------------------------------------------- the Win32 calls

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD creation,
                   DWORD flags, HANDLE) {
  if (!name || creation != OPEN_EXISTING) return Fail(ERROR_INVALID_PARAMETER, 0), INVALID_HANDLE_VALUE;
  const std::string path = DevicePathFor(name);
  int mode = O_RDWR;
  if ((access & (GENERIC_READ | GENERIC_WRITE)) == GENERIC_READ) mode = O_RDONLY;
  if ((access & (GENERIC_READ | GENERIC_WRITE)) == GENERIC_WRITE) mode = O_WRONLY;
  auto dev = Device::Open(path, mode, share == 0, (flags & FILE_FLAG_OVERLAPPED) != 0,
                          &TtyLinesFor(path));
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

