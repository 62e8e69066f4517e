// The event pump of programs without a window: the serial component's plain
// main loop, which runs the calls handed over by the port's event thread.
#pragma once

#include "board/transfer_seams.h"
#include "runtime/runtime.h"

namespace velkor {

class MainLoopPump : public EventPump {
 public:
  explicit MainLoopPump(TMainLoop& loop) : loop_(loop) {}
  void processEvents(std::chrono::milliseconds timeout) override {
    if (loop_.Pump() > 0) return;
    if (loop_.WaitForCall(timeout)) loop_.Pump();
  }

 private:
  TMainLoop& loop_;
};

}  // namespace velkor
