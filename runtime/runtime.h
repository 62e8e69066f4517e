// The runtime the components stand on: object and exception bases (with the
// silent abort), components with a loading state, copyable settings objects,
// threads, bound handlers, and the hand-over to the main thread. The serial
// component, the board link, the command line and the editor share it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <initializer_list>
#include <vector>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <type_traits>

namespace velkor {

class TObject {
 public:
  virtual ~TObject() = default;
};

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  const char* what() const noexcept override { return FMessage.c_str(); }
  const std::string& Message() const { return FMessage; }

 private:
  std::string FMessage;
};

// The silent abort: stops an operation without any message to the user.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};

class EThread : public Exception {
 public:
  using Exception::Exception;
};

// An object owned by a window, with a name and a loading state while the
// window's stored description is being read.
class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* owner) : FOwner(owner) {}
  TComponent* Owner() const { return FOwner; }
  std::string Name;
  std::int32_t Tag = 0;

  bool IsLoading() const { return FLoading; }
  // The owner calls this before reading the stored description...
  void BeginLoading() { FLoading = true; }
  // ... and this once it has been read.
  virtual void FinishLoading() { FLoading = false; }

 private:
  TComponent* FOwner;
  bool FLoading = false;
};

// A settings object whose values can be copied from another of its kind.
class TPersistent : public TObject {
 public:
  virtual void Assign(const TPersistent& source) = 0;
};

// A bound handler: one object and one of its member functions. Two handlers
// are equal when they bind the same object and the same member function; a
// default-constructed handler is empty.
template <class... Args>
class TMethod {
 public:
  TMethod() = default;

  template <class T>
  TMethod(T* object, void (T::*member)(Args...)) {
    using Member = void (T::*)(Args...);
    static_assert(sizeof(Member) <= sizeof(FMember), "member pointer too large");
    FObject = object;
    std::memcpy(FMember, &member, sizeof(Member));
    FInvoke = [](void* obj, const unsigned char* raw, Args... args) {
      Member m;
      std::memcpy(&m, raw, sizeof(Member));
      (static_cast<T*>(obj)->*m)(std::forward<Args>(args)...);
    };
  }

  explicit operator bool() const { return FInvoke != nullptr; }
  bool Assigned() const { return FInvoke != nullptr; }

  void operator()(Args... args) const { FInvoke(FObject, FMember, std::forward<Args>(args)...); }

  friend bool operator==(const TMethod& a, const TMethod& b) {
    return a.FObject == b.FObject && a.FInvoke == b.FInvoke &&
           std::memcmp(a.FMember, b.FMember, sizeof a.FMember) == 0;
  }

  void* Object() const { return FObject; }

 private:
  using Invoker = void (*)(void*, const unsigned char*, Args...);
  void* FObject = nullptr;
  alignas(std::max_align_t) unsigned char FMember[4 * sizeof(void*)] = {};
  Invoker FInvoke = nullptr;
};

template <class T, class... Args>
TMethod<Args...> Bind(T* object, void (T::*member)(Args...)) {
  return TMethod<Args...>(object, member);
}

// A set of enumeration values held in the bits of an unsigned integer.
template <class E, class Bits>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> values) {
    for (E v : values) Include(v);
  }
  constexpr bool Contains(E v) const { return (FBits & Bit(v)) != 0; }
  constexpr TSet& Include(E v) {
    FBits = static_cast<Bits>(FBits | Bit(v));
    return *this;
  }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr Bits ToBits() const { return FBits; }
  friend constexpr bool operator==(TSet a, TSet b) { return a.FBits == b.FBits; }

 private:
  static constexpr Bits Bit(E v) { return static_cast<Bits>(Bits{1} << static_cast<unsigned>(v)); }
  Bits FBits = 0;
};

// ---------------------------------------------------------------- main thread

// Runs calls on the user-interface thread. The editor implements it on its
// event loop; TMainLoop below serves tests and command-line tools.
class TMainThreadRunner {
 public:
  virtual ~TMainThreadRunner() = default;
  virtual bool IsMainThread() const = 0;
  // From another thread: queue the call for the main thread, wake it, block
  // until it has run; the call's exception is raised again here.
  virtual void RunOnMainThread(const std::function<void()>& call) = 0;
  // The application's central handler for exceptions nobody caught: shows
  // the message unless it is the silent EAbort.
  virtual void HandleException(std::exception_ptr error) = 0;
};

// The runner the components use; none installed means calls run where they
// are made and uncaught exceptions are written to stderr.
void SetMainThreadRunner(TMainThreadRunner* runner);
TMainThreadRunner* MainThreadRunner();
void RunOnMainThread(const std::function<void()>& call);
void HandleException(std::exception_ptr error);

// Calls handed over to the main thread by other threads, each caller waiting
// until its call has run there; the call's exception is raised again in the
// caller. Every runner queues its calls here; only the way the main thread is
// woken differs. Closing fails the calls still waiting with EAbort, refuses
// new ones, and waits until their callers have left.
class THandOverQueue {
 public:
  THandOverQueue() = default;
  ~THandOverQueue() { Close(); }
  THandOverQueue(const THandOverQueue&) = delete;
  THandOverQueue& operator=(const THandOverQueue&) = delete;

  // From another thread: queues the call, runs `wake` so that the main thread
  // looks at the queue, and waits until the call has run.
  void HandOver(const std::function<void()>& call, const std::function<void()>& wake = {});
  // On the main thread: runs queued calls, including those queued meanwhile,
  // until none is left or max have run; returns how many ran.
  int RunPending(int max = -1);
  // Blocks until a call is queued or the time-out passes; true when one is.
  bool WaitForCall(std::chrono::milliseconds timeout);
  std::size_t Queued() const;
  void Close();

 private:
  struct Call;
  mutable std::mutex FMutex;
  std::condition_variable FQueuedCv;
  std::condition_variable FLeftCv;
  std::deque<std::shared_ptr<Call>> FQueue;
  int FInside = 0;  // threads inside HandOver
  bool FClosed = false;
};

// A plain main loop: the thread that constructs it is the main thread, which
// runs queued calls when it pumps. Installs itself as the runner for its
// lifetime.
class TMainLoop : public TMainThreadRunner {
 public:
  TMainLoop();
  ~TMainLoop() override;

  bool IsMainThread() const override;
  void RunOnMainThread(const std::function<void()>& call) override;
  // Keeps the exception for Errors(); writes nothing.
  void HandleException(std::exception_ptr error) override;

  // Runs queued calls, including those queued meanwhile, until none is left
  // or max have run; returns how many ran.
  int Pump(int max = -1) { return FCalls.RunPending(max); }
  // Pumps until pred() holds or the time-out passes; returns pred().
  bool PumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout);
  // Blocks until a call is queued or the time-out passes; true when one is.
  bool WaitForCall(std::chrono::milliseconds timeout) { return FCalls.WaitForCall(timeout); }
  std::size_t Queued() const { return FCalls.Queued(); }

  // Messages of the exceptions given to HandleException, oldest first.
  std::vector<std::string> Errors() const;

 private:
  std::thread::id FMainId;
  TMainThreadRunner* FPrevious;
  THandOverQueue FCalls;
  mutable std::mutex FErrorsMutex;
  std::vector<std::string> FErrors;
};

// ---------------------------------------------------------------- threads

enum TThreadPriority : std::uint8_t {
  tpIdle,
  tpLowest,
  tpLower,
  tpNormal,
  tpHigher,
  tpHighest,
  tpTimeCritical
};
int ThreadPriorityValue(TThreadPriority p);  // -15, -2, -1, 0, 1, 2, 15

// A thread object with a priority and a terminate request. It keeps itself
// alive while it runs (it frees itself at its end); whoever created it holds
// a reference as long as it wants to talk to it.
class TThread : public TObject, public std::enable_shared_from_this<TThread> {
 public:
  TThread() = default;
  ~TThread() override;
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Starts the thread; the priority is applied before Execute begins. Throws
  // EThread when no thread can be created.
  void Start(TThreadPriority priority);
  void Terminate() { FTerminated.store(true); }
  bool Terminated() const { return FTerminated.load(); }
  // Kernel identifier, valid once the thread has begun (Start waits for it).
  std::uint32_t ThreadId() const { return FThreadId.load(); }
  void SetPriority(TThreadPriority p);
  // Waits for the end of Execute; only from another thread.
  void WaitFor();
  // Lets it end on its own.
  void Detach();

 protected:
  virtual void Execute() = 0;

 private:
  std::thread FThread;
  std::atomic<bool> FTerminated{false};
  std::atomic<std::uint32_t> FThreadId{0};
};

}  // namespace velkor
