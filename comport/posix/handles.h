// Inside the POSIX layer: the process-wide table of kernel-like objects that
// HANDLEs name, its events, and the calling thread's last-error value.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "win32_types.h"

namespace velkor::posix {

using Clock = std::chrono::steady_clock;

// Sets the calling thread's last-error value; err, when not 0, is the errno
// whose text FormatMessageA gives for that code from now on.
void Fail(DWORD code, int err);
void FailErrno(int err);
// Only the text: for a failure that ends an operation carried by a thread
// other than its caller's, whose last-error value stays as it was.
void NoteErrno(DWORD code, int err);
// The errno behind a Win32 code, for its text; 0 when there is none.
int ErrnoForCode(DWORD code);
DWORD LastError();
void SetLastErrorValue(DWORD code);

struct Object {
  virtual ~Object() = default;
};

class Device;

struct Event : Object {
  std::mutex m;
  std::condition_variable cv;
  bool manual = false;
  bool signalled = false;
  // While an overlapped operation is pending on this event and no thread of
  // the device carries it, the device and slot a waiter has to carry forward.
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

HANDLE Insert(std::shared_ptr<Object> obj);
std::shared_ptr<Object> LookupObject(HANDLE h);
std::shared_ptr<Object> Remove(HANDLE h);

template <class T>
std::shared_ptr<T> Lookup(HANDLE h) {
  return std::dynamic_pointer_cast<T>(LookupObject(h));
}

}  // namespace velkor::posix
