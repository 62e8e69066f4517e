#include "modem_watch.h"

#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <chrono>
#include <system_error>

namespace velkor::posix {

namespace {

constexpr int kStopSignal = SIGURG;

void Ignore(int) {}

void InstallStopSignal() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction sa {};
    sa.sa_handler = Ignore;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no SA_RESTART: the interrupted wait must return
    sigaction(kStopSignal, &sa, nullptr);
  });
}

}  // namespace

void ModemWatch::Start(int fd, TtyLines* lines, std::function<void()> onChange) {
  std::lock_guard lk(m_);
  // A helper that ended on its own (refused, line gone) is joined by Stop.
  if (refused_ || thread_.joinable()) return;
  InstallStopSignal();
  stop_ = false;
  exited_ = false;
  try {
    thread_ = std::thread([this, fd, lines, onChange = std::move(onChange)] { Run(fd, lines, onChange); });
  } catch (const std::system_error&) {
    // No thread to spare: modem lines are then seen on other wakes only.
  }
}

void ModemWatch::Stop() {
  std::unique_lock lk(m_);
  if (!thread_.joinable()) return;
  stop_ = true;
  const pthread_t helper = thread_.native_handle();
  while (!exited_) {
    pthread_kill(helper, kStopSignal);
    // A signal that lands just before the helper enters the wait is lost in
    // its handler: send another unless it has left by then.
    cv_.wait_for(lk, std::chrono::milliseconds(10), [&] { return exited_; });
  }
  std::thread helperThread = std::move(thread_);
  lk.unlock();
  helperThread.join();
}

void ModemWatch::Run(int fd, TtyLines* lines, const std::function<void()>& onChange) {
  sigset_t stopSignal;
  sigemptyset(&stopSignal);
  sigaddset(&stopSignal, kStopSignal);
  pthread_sigmask(SIG_UNBLOCK, &stopSignal, nullptr);
  for (;;) {
    {
      std::lock_guard lk(m_);
      if (stop_) break;
    }
    const int err = lines->WaitModemChange(fd);
    {
      std::lock_guard lk(m_);
      if (stop_) break;
      if (err != 0 && err != EINTR) {
        // Not a driver with the wait (ENOTTY, EINVAL), or the line is gone.
        refused_ = err == ENOTTY || err == EINVAL;
        break;
      }
    }
    if (err == 0) onChange();
  }
  std::lock_guard lk(m_);
  exited_ = true;
  cv_.notify_all();
}

}  // namespace velkor::posix
