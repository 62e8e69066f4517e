// Several transfers at once, each on its own thread with its own port. The
// serial component hands a port's events to "the main thread"; here that is
// the thread that owns the port: the router sends each hand-over to the
// worker whose port's event thread made it.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "board/transfer_seams.h"
#include "comport/ComPort.h"
#include "runtime/runtime.h"

namespace velkor {

class PortRouter : public TMainThreadRunner {
 public:
  PortRouter();
  ~PortRouter() override;
  PortRouter(const PortRouter&) = delete;
  PortRouter& operator=(const PortRouter&) = delete;

  // Each worker thread is a main thread for its own port.
  bool IsMainThread() const override;
  void RunOnMainThread(const std::function<void()>& call) override;
  // A port failure in a handler ends that worker's transfer by itself.
  void HandleException(std::exception_ptr) override {}

  // The calling thread's loop for `port`: create it on the worker thread
  // before the port opens, destroy it there after the port has closed.
  class Worker : public EventPump {
   public:
    Worker(PortRouter& router, const TCustomComPort& port);
    ~Worker() override;
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;
    void processEvents(std::chrono::milliseconds timeout) override;

   private:
    PortRouter& router_;
    const TCustomComPort& port_;
    std::shared_ptr<THandOverQueue> calls_ = std::make_shared<THandOverQueue>();
  };

 private:
  TMainThreadRunner* previous_;
  mutable std::mutex mutex_;
  // Shared, so that a hand-over looked up just before its worker ends finds
  // the queue closed rather than gone.
  std::map<const TCustomComPort*, std::shared_ptr<THandOverQueue>> queues_;
};

}  // namespace velkor
