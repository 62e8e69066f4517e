// Thread objects: started with their priority, ended by their own loop.
#include "runtime/runtime.h"
#include "runtime/thread_priority.h"

namespace velkor {

int ThreadPriorityValue(TThreadPriority p) {
  static const int kValues[] = {-15, -2, -1, 0, 1, 2, 15};
  static_assert(std::size(kValues) == tpTimeCritical + 1);
  return kValues[p];
}

TThread::~TThread() {
  if (FThread.joinable()) FThread.detach();
}

void TThread::Start(TThreadPriority priority) {
  auto self = shared_from_this();
  std::mutex m;
  std::condition_variable cv;
  bool started = false;
  try {
    FThread = std::thread([self, priority, &m, &cv, &started] {
      self->FThreadId.store(CurrentThreadId());
      SetThreadPriorityOf(self->FThreadId.load(), priority);
      {
        std::lock_guard lk(m);
        started = true;
        cv.notify_all();
      }
      self->Execute();
    });
  } catch (const std::system_error&) {
    throw EThread("Can't create thread");
  }
  std::unique_lock lk(m);
  cv.wait(lk, [&] { return started; });
}

void TThread::SetPriority(TThreadPriority p) {
  if (!SetThreadPriorityOf(FThreadId.load(), p)) throw EThread("Can't set thread priority");
}

void TThread::WaitFor() {
  if (FThread.joinable()) FThread.join();
}

void TThread::Detach() {
  if (FThread.joinable()) FThread.detach();
}

}  // namespace velkor
