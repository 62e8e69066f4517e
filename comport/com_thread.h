// Inside the serial component: the event thread of an open port, which waits
// on the device and hands each dispatch of handlers to the main thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "comport/ComPort.h"

namespace velkor {

// The event thread of one open port.
class TComThread : public TThread {
 public:
  explicit TComThread(TCustomComPort* port) : FComPort(port) {}
  TCustomComPort* ComPort() const { return FComPort; }

  // RunOnMainThread on the port's behalf. While the call is queued or running
  // the thread counts as parked: the main thread may stop it without waiting.
  // Returns false when the thread was stopped meanwhile: the call was then
  // dropped (or ran before the stop) and the port must not be touched again.
  bool HandOver(const std::function<void()>& call);

  // Main side: blocks while the thread runs port code; true when it has
  // finished, false when it is parked in a hand-over.
  bool WaitUntilOffPort();
  bool Finished();

  // A wait that ended with no event bits. One is what a new mask does to the
  // wait in progress; a run of them means the driver cannot wait (wine on a
  // pseudo-terminal completes every wait at once), so the thread rests before
  // the next one, longer each time, instead of spinning.
  void RestAfterEmptyWait();
  void EventsSeen() { FEmptyWaits = 0; }
  // Ends a rest early; after Terminate, so that stopping never waits for it.
  void Wake();

  // The event thread running on the calling thread, if any.
  static TComThread* Current();

 protected:
  void Execute() override;

 private:
  enum class State { OnPort, HandingOver, Finished };
  TCustomComPort* const FComPort;
  std::mutex FMutex;
  std::condition_variable FCv;
  State FState = State::OnPort;
  unsigned FEmptyWaits = 0;  // consecutive, on the thread itself
};

// How long the event thread rests after the given number of consecutive
// waits that ended with no event bits: none after the first, then 1 ms
// doubling up to 100 ms.
std::chrono::milliseconds EmptyWaitRest(unsigned consecutive);

}  // namespace velkor
