#include "cli/board_commands.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
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

bool stderrIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return ::isatty(STDERR_FILENO) == 1;
#endif
}

// Messages are kept for the end of the command; there is nobody to ask, and
// nothing unsaved to lose.
class ConsoleDialogs : public UserDialogs {
 public:
  explicit ConsoleDialogs(std::vector<std::string>& said) : said_(said) {}
  void beep() override {}
  void showMessage(std::string_view text) override { said_.emplace_back(text); }
  bool askOkCancel(std::string_view, std::string_view) override { return true; }
  bool askYesNo(std::string_view, std::string_view) override { return true; }
  std::optional<std::filesystem::path> chooseFileToOpen() override { return std::nullopt; }
  std::optional<std::filesystem::path> chooseFileToSave(const std::filesystem::path&) override {
    return std::nullopt;
  }
  void reportError(std::string_view text) override { said_.emplace_back(text); }

 private:
  std::vector<std::string>& said_;
};

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
  ProgramImages images;           // what a read brought back
  std::vector<FieldDifference> differences;  // where those images differ from the file's
};

// One transfer on its own port, on the calling thread.
class Line {
 public:
  Line(PortRouter& router, Outcome& outcome, ProgressLines& progress) : worker_(router, port_), dialogs_(outcome.said) {
    port_.SetDeviceName(outcome.port);
    port_.SetBaudRate(br38400);
    port_.SetDataBits(db8);
    port_.SetParity(paNone);
    port_.SetStopBits(sb1);
    transfer = std::make_unique<BoardTransfer>(port_, worker_, clock_, dialogs_, cursor_);
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

  // The transfer's outcome as an exit code, with a hint when the device
  // exists but may not be opened.
  int exitCode(TransferResult result) {
    switch (result) {
      case TransferResult::Done: return kExitDone;
      case TransferResult::PortUnavailable: permissionHint(); return kExitNoPort;
      default: return kExitFailed;
    }
  }

 private:
  TComPort port_{nullptr};
  PortRouter::Worker worker_;
  SystemTickClock clock_;
  ConsoleDialogs dialogs_;
  NoCursor cursor_;

 public:
  std::unique_ptr<BoardTransfer> transfer;

 private:
  void permissionHint() {
#ifndef _WIN32
    const std::string path = PortDevicePath(port_.DeviceName());
    if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES)
      dialogs_.showMessage(path + " : accès refusé ; l'utilisateur doit faire partie du groupe dialout "
                                  "(sudo adduser $USER dialout, puis se reconnecter)");
#endif
  }
};

// Runs `job(line, outcome)` on every port at once, each on its own thread.
template <class Job>
std::vector<Outcome> onEveryPort(const std::vector<std::string>& ports, Job job) {
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

}  // namespace

int uploadCommand(const std::string& file, const std::vector<std::string>& ports) {
  Program opened;
  const auto read = openProgram(opened, file);
  if (!read) return kExitRefused;
  opened.construireImages();
  const ProgramImages images = opened.images;
  const std::vector<Outcome> outcomes = onEveryPort(ports, [&](Line& line, Outcome&) {
    Program program;  // each board from the file as "Ouvrir" shows it
    program.initialiserPages();
    program.images = images;
    program.chargerImages();
    return line.exitCode(line.transfer->enregistrerDansLaCarte(program));
  });
  if (outcomes.size() == 1) {
    for (const std::string& message : outcomes[0].said) printMessage(message);
  } else {
    for (const Outcome& o : outcomes) std::cout << o.port << " : " << inOneLine(o.said) << "\n";
  }
  return reportDamage(fileNameOf(file), read->damaged, overallCode(outcomes));
}

int downloadCommand(const std::string& file, const std::string& port) {
  Program program;
  program.initialiserPages();
  std::vector<Outcome> outcomes = onEveryPort({port}, [&](Line& line, Outcome&) {
    return line.exitCode(line.transfer->chargerDepuisLaCarte(program));
  });
  for (const std::string& message : outcomes[0].said) printMessage(message);
  if (outcomes[0].code != kExitDone) return outcomes[0].code;  // no file is created or changed
  const WriteResult written = writeProgramFile(file, program.images);
  if (!written.ok) {
    printMessage(written.message);
    return kExitFailed;
  }
  return kExitDone;
}

int verifyCommand(const std::string& file, const std::vector<std::string>& ports, bool json) {
  Program expected;
  const auto read = openProgram(expected, file);
  if (!read) return kExitRefused;
  expected.construireImages();
  std::vector<Outcome> outcomes = onEveryPort(ports, [&](Line& line, Outcome& o) {
    return line.exitCode(line.transfer->lireLaCarte(o.images));
  });
  Json boards = Json::array();
  for (Outcome& o : outcomes) {
    if (o.code == kExitDone) {
      o.differences = programDifferences(o.images, expected.images);
      if (!o.differences.empty()) o.code = kExitFailed;
    }
    const std::string prefix = outcomes.size() > 1 ? o.port + " : " : "";
    if (json) {
      Json list = Json::array();
      for (const FieldDifference& d : o.differences)
        list.push_back({{"output", pageCaption(d.page)},
                        {"field", d.field},
                        {"board", d.board.empty() ? Json(nullptr) : Json(d.board)},
                        {"editor", d.editor.empty() ? Json(nullptr) : Json(d.editor)}});
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
  return reportDamage(fileNameOf(file), read->damaged, overallCode(outcomes));
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
