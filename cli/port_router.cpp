#include "cli/port_router.h"

namespace velkor {
namespace {

thread_local bool tIsWorker = false;

}  // namespace

PortRouter::PortRouter() : previous_(MainThreadRunner()) { SetMainThreadRunner(this); }

PortRouter::~PortRouter() { SetMainThreadRunner(previous_); }

bool PortRouter::IsMainThread() const { return tIsWorker; }

void PortRouter::RunOnMainThread(const std::function<void()>& call) {
  if (tIsWorker) return call();
  std::shared_ptr<THandOverQueue> queue;
  if (const TCustomComPort* port = CallingEventThreadPort()) {
    std::lock_guard lock(mutex_);
    const auto it = queues_.find(port);
    if (it != queues_.end()) queue = it->second;
  }
  if (!queue) return call();
  queue->HandOver(call);  // fails with EAbort once the worker has closed it
}

PortRouter::Worker::Worker(PortRouter& router, const TCustomComPort& port) : router_(router), port_(port) {
  tIsWorker = true;
  std::lock_guard lock(router_.mutex_);
  router_.queues_[&port_] = calls_;
}

PortRouter::Worker::~Worker() {
  calls_->Close();
  {
    std::lock_guard lock(router_.mutex_);
    router_.queues_.erase(&port_);
  }
  tIsWorker = false;
}

void PortRouter::Worker::processEvents(std::chrono::milliseconds timeout) {
  if (calls_->RunPending() > 0) return;
  if (calls_->WaitForCall(timeout)) calls_->RunPending();
}

}  // namespace velkor
