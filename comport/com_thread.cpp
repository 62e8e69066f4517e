#include "com_thread.h"

#include <algorithm>

namespace velkor {
namespace {

thread_local TComThread* tCurrentComThread = nullptr;

}  // namespace

const TCustomComPort* CallingEventThreadPort() {
  const TComThread* thread = TComThread::Current();
  return thread ? thread->ComPort() : nullptr;
}

TComThread* TComThread::Current() { return tCurrentComThread; }

void TComThread::Execute() {
  tCurrentComThread = this;
  try {
    while (!Terminated())
      if (!FComPort->WaitForComEvent(*this)) break;
  } catch (...) {
    // A failed wait has been reported on the main thread; the thread ends.
  }
  std::lock_guard lk(FMutex);
  FState = State::Finished;
  FCv.notify_all();
}

bool TComThread::HandOver(const std::function<void()>& call) {
  {
    std::lock_guard lk(FMutex);
    FState = State::HandingOver;
    FCv.notify_all();
  }
  std::exception_ptr error;
  try {
    // Runs on the main thread, as does stopping us: a stopped thread's call is dropped.
    RunOnMainThread([this, &call] {
      if (!Terminated()) call();
    });
  } catch (...) {
    error = std::current_exception();
  }
  {
    std::lock_guard lk(FMutex);
    FState = State::OnPort;
  }
  if (Terminated()) return false;
  if (error) std::rethrow_exception(error);
  return true;
}

bool TComThread::WaitUntilOffPort() {
  std::unique_lock lk(FMutex);
  FCv.wait(lk, [&] { return FState != State::OnPort; });
  return FState == State::Finished;
}

bool TComThread::Finished() {
  std::lock_guard lk(FMutex);
  return FState == State::Finished;
}

std::chrono::milliseconds EmptyWaitRest(unsigned consecutive) {
  constexpr std::chrono::milliseconds kLongest{100};
  if (consecutive <= 1) return std::chrono::milliseconds{0};
  if (consecutive >= 9) return kLongest;  // 2^7 ms would pass it
  return std::min(std::chrono::milliseconds{1LL << (consecutive - 2)}, kLongest);
}

void TComThread::RestAfterEmptyWait() {
  if (FEmptyWaits < 1000) ++FEmptyWaits;
  const std::chrono::milliseconds rest = EmptyWaitRest(FEmptyWaits);
  if (rest.count() == 0) return;
  std::unique_lock lk(FMutex);
  FCv.wait_for(lk, rest, [&] { return Terminated(); });
}

void TComThread::Wake() {
  std::lock_guard lk(FMutex);
  FCv.notify_all();
}

}  // namespace velkor
