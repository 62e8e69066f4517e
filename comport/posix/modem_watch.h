// A helper thread that waits in the driver for modem-line changes (TIOCMIWAIT
// through the device's TtyLines) and reports each, so that the event thread
// hears of CTS, DSR, RING and RLSD without a received byte to wake it.
//
// The kernel wait ends only on a change or a signal: stopping sends SIGURG to
// the helper, for which the layer installs a handler that does nothing and
// does not restart calls, so the wait returns EINTR.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "tty_lines.h"
#include "win32_types.h"

namespace velkor::posix {

class ModemWatch {
 public:
  ModemWatch() = default;
  ~ModemWatch() { Stop(); }
  ModemWatch(const ModemWatch&) = delete;
  ModemWatch& operator=(const ModemWatch&) = delete;

  // Starts the helper, unless it runs already or the driver refused the wait
  // before (pseudo-terminals do: their lines are then seen only on other
  // wakes). onChange runs on the helper thread after each change.
  void Start(int fd, TtyLines* lines, std::function<void()> onChange);
  // Ends the wait and the helper; returns once it is gone.
  void Stop();

 private:
  void Run(int fd, TtyLines* lines, const std::function<void()>& onChange);

  std::mutex m_;
  std::condition_variable cv_;
  std::thread thread_;
  bool stop_ = false;
  bool exited_ = false;
  bool refused_ = false;
};

}  // namespace velkor::posix
