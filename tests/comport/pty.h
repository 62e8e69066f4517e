// Test helpers: a raw pseudo-terminal pair standing in for a serial line
// (the port opens the slave by path; the test talks through the master), and
// a recorder whose member functions serve as handlers.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "comport/ComPort.h"
#include "comport/platform.h"  // the layer under the port, which these tests reach into

namespace velkor::test {

using namespace std::chrono_literals;

class PtyPair {
 public:
  PtyPair() {
    termios t{};
    cfmakeraw(&t);
    if (openpty(&master_, &slave_, nullptr, &t, nullptr) != 0) throw std::runtime_error("openpty");
    path_ = ttyname(slave_);
  }
  ~PtyPair() {
    CloseMaster();
    if (slave_ >= 0) close(slave_);
  }
  const std::string& Path() const { return path_; }
  int Slave() const { return slave_; }

  void Send(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
      if (n > 0) done += static_cast<std::size_t>(n);
      else throw std::runtime_error("write to pty master");
    }
  }

  // Reads until n bytes came or the time-out passed.
  std::string Receive(std::size_t n, std::chrono::milliseconds timeout = 2000ms) {
    std::string got;
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (got.size() < n) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          until - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      char buf[4096];
      ssize_t r = read(master_, buf, std::min(sizeof buf, n - got.size()));
      if (r <= 0) break;
      got.append(buf, static_cast<std::size_t>(r));
    }
    return got;
  }

  // What an unplugged adapter looks like from the port's side.
  void CloseMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1, slave_ = -1;
  std::string path_;
};

inline int CountEntries(const char* dir) {
  int n = 0;
  if (DIR* d = opendir(dir)) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') ++n;
    closedir(d);
  }
  return n;
}
inline int OpenDescriptors() { return CountEntries("/proc/self/fd"); }
// Threads of the process, counted once a first thread has come and gone: a
// sanitizer starts a thread of its own with the process's first one.
inline int ThreadsSettled() {
  std::thread([] {}).join();
  return CountEntries("/proc/self/task");
}
inline bool ThreadAlive(std::uint32_t tid) {
  return tid != 0 && access(("/proc/self/task/" + std::to_string(tid)).c_str(), F_OK) == 0;
}

// Waits (sleeping) for a condition that another thread makes true.
template <class Pred>
bool Eventually(Pred pred, std::chrono::milliseconds timeout = 2000ms) {
  const auto until = std::chrono::steady_clock::now() + timeout;
  while (!pred()) {
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

struct Recorder {
  std::mutex m;
  std::vector<std::string> calls;
  std::vector<std::thread::id> threads;
  std::vector<std::int32_t> lengths;
  std::vector<std::int32_t> errorCodes;
  std::vector<std::string> errorTexts;
  std::vector<TLineErrors> lineErrors;
  bool rxThrows = false;
  bool readOnRx = false;
  std::string received;
  TComAction errorAction = caFail;

  void Note(const std::string& what) {
    std::lock_guard lk(m);
    calls.push_back(what);
    threads.push_back(std::this_thread::get_id());
  }
  std::vector<std::string> Calls() {
    std::lock_guard lk(m);
    return calls;
  }
  std::size_t Count(const std::string& what) {
    std::lock_guard lk(m);
    return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), what));
  }

  void RxChar(TObject* sender) {
    Note("RxChar");
    if (readOnRx) {
      std::string text;
      static_cast<TCustomComPort*>(sender)->ReadText(text);
      std::lock_guard lk(m);
      received += text;
    }
    if (rxThrows) throw Exception("handler failed");
  }
  void TxEmpty(TObject*) { Note("TxEmpty"); }
  void CTSChange(TObject*) { Note("CTSChange"); }
  void Other(TObject*) { Note("Other"); }
  void BeforeOpen(TCustomComPort*) { Note("BeforeOpen"); }
  void AfterOpen(TCustomComPort*) { Note("AfterOpen"); }
  void BeforeClose(TCustomComPort*) { Note("BeforeClose"); }
  void AfterClose(TCustomComPort*) { Note("AfterClose"); }
  void BeforeRead(TObject*, void*, std::int32_t length, bool) {
    Note("BeforeRead");
    lengths.push_back(length);
  }
  void AfterRead(TObject*, void*, std::int32_t length, bool) {
    Note("AfterRead");
    lengths.push_back(length);
  }
  void Error(TCustomComPort*, EComError& e, TComAction& action) {
    Note("Error");
    {
      std::lock_guard lk(m);
      errorCodes.push_back(e.WinError);
      errorTexts.push_back(e.Message());
    }
    action = errorAction;
  }
  void LineError(TObject*, TLineErrors errors) {
    Note("LineError");
    std::lock_guard lk(m);
    lineErrors.push_back(errors);
  }
};

}  // namespace velkor::test
