// The hand-over to the main thread: the installed runner, the queue of
// calls handed over by other threads, and the plain main loop.
#include <cstdio>

#include "runtime/runtime.h"

namespace velkor {

namespace {
std::atomic<TMainThreadRunner*> gRunner{nullptr};
}

void SetMainThreadRunner(TMainThreadRunner* runner) { gRunner.store(runner); }
TMainThreadRunner* MainThreadRunner() { return gRunner.load(); }

void RunOnMainThread(const std::function<void()>& call) {
  if (TMainThreadRunner* r = gRunner.load())
    r->RunOnMainThread(call);
  else
    call();
}

void HandleException(std::exception_ptr error) {
  if (TMainThreadRunner* r = gRunner.load()) return r->HandleException(error);
  try {
    std::rethrow_exception(error);
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "unknown exception\n");
  }
}

// ---------------------------------------------------------------- TMainLoop

struct THandOverQueue::Call {
  std::function<void()> fn;
  std::exception_ptr error;
  bool done = false;
};

void THandOverQueue::HandOver(const std::function<void()>& call, const std::function<void()>& wake) {
  auto c = std::make_shared<Call>();
  c->fn = call;
  std::unique_lock lk(FMutex);
  if (FClosed) throw EAbort();
  ++FInside;
  FQueue.push_back(c);
  FQueuedCv.notify_all();
  if (wake) wake();
  FLeftCv.wait(lk, [&] { return c->done; });
  if (--FInside == 0) FLeftCv.notify_all();
  lk.unlock();
  if (c->error) std::rethrow_exception(c->error);
}

int THandOverQueue::RunPending(int max) {
  int ran = 0;
  while (max < 0 || ran < max) {
    std::shared_ptr<Call> c;
    {
      std::lock_guard lk(FMutex);
      if (FQueue.empty()) return ran;
      c = FQueue.front();
      FQueue.pop_front();
    }
    std::exception_ptr error;
    try {
      c->fn();
    } catch (...) {
      error = std::current_exception();
    }
    std::lock_guard lk(FMutex);
    c->error = error;
    c->done = true;
    FLeftCv.notify_all();
    ++ran;
  }
  return ran;
}

bool THandOverQueue::WaitForCall(std::chrono::milliseconds timeout) {
  std::unique_lock lk(FMutex);
  return FQueuedCv.wait_for(lk, timeout, [&] { return !FQueue.empty(); });
}

std::size_t THandOverQueue::Queued() const {
  std::lock_guard lk(FMutex);
  return FQueue.size();
}

void THandOverQueue::Close() {
  // A thread still waiting here would wait forever: let its call fail, and
  // let it leave before the queue goes away.
  std::unique_lock lk(FMutex);
  FClosed = true;
  for (auto& c : FQueue) {
    c->error = std::make_exception_ptr(EAbort());
    c->done = true;
  }
  FQueue.clear();
  FLeftCv.notify_all();
  FLeftCv.wait(lk, [&] { return FInside == 0; });
}

TMainLoop::TMainLoop() : FMainId(std::this_thread::get_id()), FPrevious(gRunner.load()) {
  gRunner.store(this);
}

TMainLoop::~TMainLoop() {
  gRunner.store(FPrevious);
  FCalls.Close();
}

bool TMainLoop::IsMainThread() const { return std::this_thread::get_id() == FMainId; }

void TMainLoop::RunOnMainThread(const std::function<void()>& call) {
  if (IsMainThread()) return call();
  FCalls.HandOver(call);
}

void TMainLoop::HandleException(std::exception_ptr error) {
  std::string text;
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    text = e.what();
  } catch (...) {
    text = "unknown exception";
  }
  std::lock_guard lk(FErrorsMutex);
  FErrors.push_back(text);
}

bool TMainLoop::PumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
  const auto until = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    Pump();
    if (pred()) return true;
    const auto now = std::chrono::steady_clock::now();
    if (now >= until) return false;
    // Wake on a queued call, or look at pred again a little later.
    WaitForCall(std::min<std::chrono::milliseconds>(
        std::chrono::duration_cast<std::chrono::milliseconds>(until - now) +
            std::chrono::milliseconds(1),
        std::chrono::milliseconds(5)));
  }
}

std::vector<std::string> TMainLoop::Errors() const {
  std::lock_guard lk(FErrorsMutex);
  return FErrors;
}

}  // namespace velkor
