// The board transfer's surroundings on Qt: the event pump of its waits, the
// busy cursor, and the serial port's hand-over to the user-interface thread.
#pragma once

#include <QObject>

#include "board/transfer_seams.h"
#include "image/user_dialogs.h"
#include "runtime/runtime.h"

namespace velkor {

class QtEventPump : public EventPump {
 public:
  void processEvents(std::chrono::milliseconds timeout) override;
};

// The fixed pauses of a transfer on Qt: the window repaints and timers run
// meanwhile; user input waits for the wait after the pause, and so do the
// port's received-data calls, so received bytes stay queued as before.
// Blocks between events: no CPU is spent but on the repaints.
class QtPauseClock : public SystemTickClock {
 public:
  void attendre(std::uint32_t milliseconds) override;
};

class QtBusyCursor : public BusyCursor {
 public:
  void showBusy() override;
  void showNormal() override;
};

// Runs the port's dispatches on Qt's event loop. A call handed over from the
// event thread waits until the user-interface thread has run it; destroying
// the runner fails the calls still waiting, so no thread waits forever.
class QtMainThreadRunner : public QObject, public TMainThreadRunner {
 public:
  explicit QtMainThreadRunner(UserDialogs* errorReport = nullptr);
  ~QtMainThreadRunner() override;

  bool IsMainThread() const override;
  void RunOnMainThread(const std::function<void()>& call) override;
  void HandleException(std::exception_ptr error) override;

 protected:
  void customEvent(QEvent* event) override;

 private:
  UserDialogs* errorReport_;
  TMainThreadRunner* previous_;
  THandOverQueue calls_;
};

}  // namespace velkor
