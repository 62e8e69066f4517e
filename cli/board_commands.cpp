#include "cli/board_commands.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <mutex>
#include <thread>

#include "board/board_messages.h"
#include "board/board_transfer.h"
#include "cli/json_text.h"
#include "cli/port_router.h"
#include "comport/serial_ports.h"
#include "image/file_commands.h"
#include "image/program_differences.h"

namespace velkor {
namespace {

// Ctrl+C or SIGTERM during a transfer stops it as "Annuler" does in the
// editor: once the line in progress is through, each transfer ends and says
// where its board stands. A second one ends the program at once.
std::atomic<int> stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

extern "C" void askStop(int sig) {
  stopSignal.store(sig);
  std::signal(sig, SIG_DFL);
}

// Catches the two signals while the transfers run; a signal the program was
// started with ignored stays ignored.
class StopOnSignal {
 public:
  StopOnSignal() {
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
      previous_[i] = std::signal(kSignals[i], askStop);
      if (previous_[i] == SIG_IGN) std::signal(kSignals[i], SIG_IGN);
    }
  }
  ~StopOnSignal() {
    for (std::size_t i = 0; i < kSignals.size(); ++i)
      if (previous_[i] != SIG_ERR) std::signal(kSignals[i], previous_[i]);
  }
  StopOnSignal(const StopOnSignal&) = delete;
  StopOnSignal& operator=(const StopOnSignal&) = delete;

 private:
  static constexpr std::array<int, 2> kSignals{SIGINT, SIGTERM};
  std::array<void (*)(int), 2> previous_{};
};

// The port's worker as the transfer's pump, passing on a stop asked by a
// signal: the transfer sees it before its next line.
class StoppablePump : public EventPump {
 public:
  StoppablePump(EventPump& inner, std::function<void()> stop) : inner_(inner), stop_(std::move(stop)) {}
  void processEvents(std::chrono::milliseconds timeout) override {
    inner_.processEvents(timeout);
    if (stopSignal.load() != 0) stop_();
  }

 private:
  EventPump& inner_;
  std::function<void()> stop_;
};

bool stderrIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return ::isatty(STDERR_FILENO) == 1;
#endif
}

// The steps of every transfer on stderr: one line each, prefixed with the
// port when there are several; on a terminal with one port, a single line
// written over.
class ProgressLines {
 public:
  explicit ProgressLines(std::size_t ports) : many_(ports > 1), overwrite_(!many_ && stderrIsTerminal()) {}

  void step(const std::string& port, const TransferStep& s) {
    std::string text = msg::transferStepText(s.upload, s.page);
    std::lock_guard lock(mutex_);
    if (!overwrite_) {
      std::cerr << (many_ ? port + " : " : "") << text << "\n";
      return;
    }
    text += " " + msg::timeLeftText(s.msLeft);
    const std::size_t width = text.size();
    if (text.size() < written_) text.append(written_ - text.size(), ' ');
    written_ = width;
    std::cerr << "\r" << text << std::flush;
  }

  // Clears the line written over, before the messages.
  void end() {
    if (!overwrite_ || written_ == 0) return;
    std::cerr << "\r" << std::string(written_, ' ') << "\r" << std::flush;
    written_ = 0;
  }

 private:
  const bool many_;
  const bool overwrite_;
  std::mutex mutex_;
  std::size_t written_ = 0;
};

// How one port's transfer went.
struct Outcome {
  std::string port;
  int code = kExitFailed;
  std::vector<std::string> said;  // the transfer's messages, in order
  bool stopped = false;           // by a signal, after a line
  ProgramImages images;           // what a read brought back
  std::vector<FieldDifference> differences;  // where those images differ from the file's
};

// One transfer on its own port, on the calling thread.
class Line {
 public:
  Line(PortRouter& router, Outcome& outcome, ProgressLines& progress)
      : worker_(router, port_), pump_(worker_, [this] { transfer->interrompre(); }),
        outcome_(outcome) {
    port_.SetDeviceName(outcome.port);
    kBoardLine.applyTo(port_);
    transfer = std::make_unique<BoardTransfer>(port_, pump_, clock_, cursor_);
    transfer->onProgress = [&progress, &outcome](const TransferStep& s) { progress.step(outcome.port, s); };
  }
  // The port closes while its worker still serves its hand-overs.
  ~Line() {
    transfer.reset();
    try {
      port_.SetActive(false);
    } catch (...) {
    }
  }
  Line(const Line&) = delete;
  Line& operator=(const Line&) = delete;

  // What the transfer says, kept for the end, and its outcome as an exit
  // code, with a hint when the device exists but may not be opened;
  // `stopped` says what a stopped read left (an upload says it itself).
  int exitCode(const TransferReport& report, std::string_view stopped = {}) {
    say(report.message);  // no beep: there is no one to turn round
    switch (report.result) {
      case TransferResult::Done: return kExitDone;
      case TransferResult::PortUnavailable: permissionHint(); return kExitNoPort;
      case TransferResult::Interrupted:
        outcome_.stopped = true;
        say(stopped);
        return kExitFailed;
      default: return kExitFailed;
    }
  }

  // Reads the board's images into the outcome; the exit code as above.
  int readBoard(std::string_view stopped) {
    const TransferReport read = transfer->lireLaCarte();
    outcome_.images = read.images;
    return exitCode(read, stopped);
  }

 private:
  TComPort port_{nullptr};
  PortRouter::Worker worker_;
  StoppablePump pump_;
  SystemTickClock clock_;
  NoCursor cursor_;
  Outcome& outcome_;

 public:
  std::unique_ptr<BoardTransfer> transfer;

 private:
  void permissionHint() {
#ifndef _WIN32
    const std::string path = PortDevicePath(port_.DeviceName());
    if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES)
      say(path + " : accès refusé ; l'utilisateur doit faire partie du groupe dialout "
                 "(sudo adduser $USER dialout, puis se reconnecter)");
#endif
  }

  // Kept for the end of the command, in order.
  void say(std::string_view text) {
    if (!text.empty()) outcome_.said.emplace_back(text);
  }
};

// Runs `job(line, outcome)` on every port at once, each on its own thread.
template <class Job>
std::vector<Outcome> onEveryPort(const std::vector<std::string>& ports, Job job) {
  const StopOnSignal stop;
  PortRouter router;
  ProgressLines progress(ports.size());
  std::vector<Outcome> outcomes(ports.size());
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < ports.size(); ++i) {
    outcomes[i].port = ports[i];
    threads.emplace_back([&, i] {
      Outcome& o = outcomes[i];
      try {
        Line line(router, o, progress);
        o.code = job(line, o);
      } catch (const std::exception& e) {  // a port failure once the line was open
        o.said.emplace_back(e.what());
        o.code = kExitFailed;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  progress.end();
  return outcomes;
}

// 0 when all went through, 4 when a port could not be opened, else 1.
int overallCode(const std::vector<Outcome>& outcomes) {
  int code = kExitDone;
  for (const Outcome& o : outcomes) {
    if (o.code == kExitNoPort) return kExitNoPort;
    if (o.code != kExitDone) code = kExitFailed;
  }
  return code;
}

// A message on one line: its lines joined by blanks, the empty ones dropped.
std::string inOneLine(const std::vector<std::string>& said) {
  std::string out;
  for (const std::string& message : said) {
    std::size_t at = 0;
    while (at <= message.size()) {
      const std::size_t end = std::min(message.find('\r', at), message.size());
      if (end > at) out += (out.empty() ? "" : " ") + message.substr(at, end - at);
      at = end + 1;
    }
  }
  return out;
}

Json orNull(const std::optional<std::string>& text) { return text ? Json(*text) : Json(nullptr); }

// A command whose transfers a signal stopped ends by that signal, once all is
// said, as the shell expects of a program interrupted; otherwise by `code`.
int endOf(const std::vector<Outcome>& outcomes, int code) {
  const int sig = stopSignal.exchange(0);
  const bool stopped = std::any_of(outcomes.begin(), outcomes.end(), [](const Outcome& o) { return o.stopped; });
  if (sig == 0 || !stopped) return code;
  std::cout.flush();
  std::cerr.flush();
  std::signal(sig, SIG_DFL);
  std::raise(sig);
  return code;
}

}  // namespace

int uploadCommand(const std::string& file, const std::vector<std::string>& ports) {
  Program opened;
  const auto read = openProgram(opened, file);
  if (!read) return kExitRefused;
  // The file as "Ouvrir" shows it, encoded again, to every board.
  opened.construireImages();
  const ProgramImages& images = opened.images;
  const std::vector<Outcome> outcomes = onEveryPort(ports, [&](Line& line, Outcome&) {
    return line.exitCode(line.transfer->enregistrerDansLaCarte(images));
  });
  if (outcomes.size() == 1) {
    for (const std::string& message : outcomes[0].said) printMessage(message);
  } else {
    for (const Outcome& o : outcomes) std::cout << o.port << " : " << inOneLine(o.said) << "\n";
  }
  return endOf(outcomes, reportDamage(fileNameOf(file), read->damaged, overallCode(outcomes)));
}

// The board's program into `file`, once all eleven images arrived whole; a
// failure says what happened, as in the editor, and that no file was written.
int downloadCommand(const std::string& file, const std::string& port) {
  const std::vector<Outcome> outcomes = onEveryPort({port}, [&](Line& line, Outcome&) {
    return line.readBoard(std::string(msg::kDownloadInterrupted) + "\r\r" + std::string(msg::kBoardUnchanged));
  });
  const Outcome& o = outcomes[0];
  for (const std::string& message : o.said) printMessage(message);
  const std::string name = fileNameOf(file);
  if (o.code != kExitDone) {
    printMessage("Le fichier " + name + " n'a pas été écrit.");
    return endOf(outcomes, o.code);
  }
  const WriteResult written = writeProgramFile(file, o.images);
  if (!written.ok) {
    printMessage(written.message);
    return kExitFailed;
  }
  printMessage(std::string(msg::kDownloadDone) + "\r\rLe programme de la carte est dans " + name + ".");
  return kExitDone;
}

int verifyCommand(const std::string& file, const std::vector<std::string>& ports, bool json) {
  Program expected;
  const auto read = openProgram(expected, file);
  if (!read) return kExitRefused;
  expected.construireImages();
  std::vector<Outcome> outcomes = onEveryPort(ports, [&](Line& line, Outcome&) {
    return line.readBoard(msg::kVerifyInterrupted);
  });
  Json boards = Json::array();
  for (Outcome& o : outcomes) {
    if (o.code == kExitDone) {
      o.differences = programDifferences(o.images, expected.images);
      if (!o.differences.empty()) o.code = kExitFailed;
    }
    const std::string prefix = outcomes.size() > 1 ? o.port + " : " : "";
    if (json) {
      const Json list = differencesJson(o.differences, "board", "editor");
      boards.push_back({{"port", o.port},
                        {"identical", o.code == kExitDone},
                        {"differences", list},
                        {"error", o.said.empty() ? Json(nullptr) : Json(inOneLine(o.said))}});
    } else if (!o.said.empty()) {
      if (prefix.empty()) {
        for (const std::string& message : o.said) printMessage(message);
      } else {
        std::cout << prefix << inOneLine(o.said) << "\n";
      }
    } else if (o.differences.empty()) {
      std::cout << prefix << msg::kBoardHoldsTheProgram << "\n";
    } else {
      for (const FieldDifference& d : o.differences) std::cout << prefix << d.line() << "\n";
    }
  }
  if (json) std::cout << listPerLine("boards", boards);
  std::cout.flush();
  return endOf(outcomes, reportDamage(fileNameOf(file), read->damaged, overallCode(outcomes)));
}

int portsCommand(bool json) {
  const std::vector<SerialPortInfo> ports = listSerialPorts();
  if (json) {
    Json list = Json::array();
    for (const SerialPortInfo& p : ports)
      list.push_back({{"device", p.device},
                      {"by_id", orNull(p.byId)},
                      {"manufacturer", orNull(p.manufacturer)},
                      {"product", orNull(p.product)},
                      {"serial", orNull(p.serial)},
                      {"vid", orNull(p.vid)},
                      {"pid", orNull(p.pid)}});
    std::cout << listPerLine("ports", list);
  } else {
    for (const SerialPortInfo& p : ports) std::cout << p.label() << "\n";
    if (ports.empty()) std::cerr << "Aucun port série trouvé.\n";
  }
  return kExitDone;
}

}  // namespace velkor
