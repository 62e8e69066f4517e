// Inside the POSIX layer: one open serial device and its three overlapped
// slots (the event thread's wait, one read, one write).
//
// Who carries a pending operation forward:
//   wait   the thread that waits for its event (the port's event thread),
//          blocked in epoll on the device, its wake-up eventfd and, through
//          ModemWatch, the driver's modem-line wait;
//   read   the thread that waits for its event (GetOverlappedResult,
//          WaitForSingleObject), blocked in poll;
//   write  a writer thread of the device, started when a write does not
//          finish at once and ended with it: the write goes on while its
//          caller is idle, as on Windows.
// A wait or read also takes one step whenever someone asks about it
// (GetOverlappedResult without waiting; HasOverlappedIoCompleted when its
// record names an event). On a
// handle opened without FILE_FLAG_OVERLAPPED the caller itself waits, on a
// record and event of its own.
#pragma once

#include <termios.h>

#include <array>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "handles.h"
#include "modem_watch.h"
#include "rx_filter.h"
#include "tty_lines.h"
#include "unique_fd.h"
#include "win32_types.h"

namespace velkor::posix {

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
  bool returnsAtOnce = false;  // a read asked for what is there: its end is no time-out
  bool timedOut = false;       // ended by its time-out: STATUS_TIMEOUT, as Windows' driver gives
  DWORD* events = nullptr;  // WaitCommEvent's result
};

class Device : public Object, public std::enable_shared_from_this<Device> {
 public:
  // CreateFileA's work: opens the tty in raw mode, exclusively when asked.
  // Null on failure, with the last-error value set and nothing left taken.
  static std::shared_ptr<Device> Open(const std::string& path, int mode, bool exclusive,
                                      bool overlapped, TtyLines* lines);

  Device(UniqueFd fd, UniqueFd epfd, std::array<UniqueFd, kSlots> wake, TtyLines* lines,
         const termios& tio, bool overlapped);

  // Opened with FILE_FLAG_OVERLAPPED: its calls return at once and need an
  // OVERLAPPED; otherwise each call runs to its end.
  bool Overlapped() const { return overlapped_; }
  // What an OVERLAPPED without an event signals: the handle itself, as on Windows.
  const std::shared_ptr<Event>& HandleEvent() const { return handleEvent_; }
  ~Device() override { Shutdown(); }

  // CloseHandle: ends every pending operation, stops the device's threads
  // and closes its descriptors once nothing uses them any more.
  void Shutdown();

  BOOL GetState(DCB* out);
  BOOL SetState(const DCB* in);
  BOOL Setup(DWORD inQueue);
  BOOL GetTimeouts(COMMTIMEOUTS* t);
  BOOL SetTimeouts(const COMMTIMEOUTS* t);
  BOOL SetMask(DWORD mask);
  BOOL StartWait(DWORD* events, OVERLAPPED* ov, const std::shared_ptr<Event>& ev);
  BOOL StartTransfer(Slot s, BYTE* rbuf, const BYTE* wbuf, DWORD n, DWORD* moved, OVERLAPPED* ov,
                     const std::shared_ptr<Event>& ev);
  // Carries the operation of slot s forward: once without blocking, or
  // blocking until it progresses, the device is woken or `until` passes.
  void Drive(int s, bool block, bool hasUntil, Clock::time_point until);
  BOOL ClearErrors(DWORD* errors, COMSTAT* stat);
  BOOL Purge(DWORD flags);
  BOOL ModemStatus(DWORD* status);

 private:
  void Wake(int s);
  void Arm(int s);
  // The slot's operation, started afresh for `ov` and its event.
  Pending& Begin(int s, OVERLAPPED* ov, const std::shared_ptr<Event>& ev);
  void Complete(int s, DWORD status);
  void Progress(int s);
  void StartWriter();
  void RunWriter();
  ssize_t ReadSome(BYTE* dst, std::size_t max);
  void PullAvailable();
  ssize_t ReadAndDecode(std::size_t max);
  bool InErrorState();
  DWORD CollectEvents();

  std::mutex m_;
  std::condition_variable idle_;
  int users_ = 0;  // threads blocked on fd_ outside the mutex
  bool closed_ = false;
  bool hungUp_ = false;
  UniqueFd fd_, epfd_;
  std::array<UniqueFd, kSlots> wake_;
  TtyLines* lines_;
  const bool overlapped_;
  const std::shared_ptr<Event> handleEvent_;  // manual-reset, as a file's own event
  DCB dcb_;
  COMMTIMEOUTS timeouts_;
  DWORD inQueue_ = 0;
  DWORD mask_ = 0;
  DWORD history_ = 0;  // events of the mask seen while no wait took them
  Pending op_[kSlots];
  std::uint64_t consumed_ = 0, lastReceived_ = 0;  // raw bytes taken from the tty, seen
  bool wasFull_ = false;
  bool txNotify_ = false;
  int modem_ = 0;
  LineCounters clearCounters_, eventCounters_;
  // Bytes the read path has decoded but not yet handed to a reader.
  RxFilter filter_;
  std::string inBuf_;
  std::thread writer_;
  bool writerRunning_ = false;
  ModemWatch modemWatch_;
};

}  // namespace velkor::posix
