// What a board transfer needs of its surroundings besides the port: the
// user-interface thread's events, the clock and the mouse cursor. The editor
// provides them on Qt, the command line and tests on their own loop.
#pragma once

#include <chrono>
#include <cstdint>

namespace velkor {

class EventPump {
 public:
  virtual ~EventPump() = default;
  // Handles the pending events of the user-interface thread; when none is
  // pending, waits for the next one, at most `timeout`. Never spins.
  virtual void processEvents(std::chrono::milliseconds timeout) = 0;
};

class TickClock {
 public:
  virtual ~TickClock() = default;
  // Milliseconds since some fixed moment, wrapping like the system tick count.
  virtual std::uint32_t GetTickCount() = 0;
  // Waits without handling any event: received bytes stay queued meanwhile.
  virtual void attendre(std::uint32_t milliseconds) = 0;
};

class SystemTickClock : public TickClock {
 public:
  std::uint32_t GetTickCount() override;
  void attendre(std::uint32_t milliseconds) override;
};

class BusyCursor {
 public:
  virtual ~BusyCursor() = default;
  virtual void showBusy() = 0;
  virtual void showNormal() = 0;
};

class NoCursor : public BusyCursor {
 public:
  void showBusy() override {}
  void showNormal() override {}
};

}  // namespace velkor
