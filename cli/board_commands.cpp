#include "cli/board_commands.h"

#ifndef _WIN32
#include <unistd.h>
#endif

#include <cerrno>
#include <iostream>

#include "board/board_transfer.h"
#include "board/main_loop_pump.h"
#ifndef _WIN32
#include "comport/posix/win32_posix.h"
#endif
#include "image/file_commands.h"

namespace velkor {
namespace {

// Messages go to stderr; there is nobody to ask, and nothing unsaved to lose.
class ConsoleDialogs : public UserDialogs {
 public:
  void beep() override {}
  void showMessage(std::string_view text) override { printMessage(text); }
  bool askOkCancel(std::string_view, std::string_view) override { return true; }
  bool askYesNo(std::string_view, std::string_view) override { return true; }
  std::optional<std::filesystem::path> chooseFileToOpen() override { return std::nullopt; }
  std::optional<std::filesystem::path> chooseFileToSave(const std::filesystem::path&) override {
    return std::nullopt;
  }
  void reportError(std::string_view text) override { printMessage(text); }
};

// One transfer on its own port, main loop and console.
class Session {
 public:
  explicit Session(const std::string& portName) {
    rs232.SetDeviceName(portName);
    rs232.SetBaudRate(br38400);
    rs232.SetDataBits(db8);
    rs232.SetParity(paNone);
    rs232.SetStopBits(sb1);
    transfer.onProgress = [](int page) { std::cerr << pageCaption(page) << "...\n"; };
  }
  ~Session() {
    try {
      rs232.SetActive(false);
    } catch (...) {
    }
  }

  // The transfer's outcome as an exit code, with a hint when the device
  // exists but may not be opened.
  int exitCode(TransferResult result) const {
    switch (result) {
      case TransferResult::Done: return kExitDone;
      case TransferResult::PortUnavailable: permissionHint(); return kExitNoPort;
      default: return kExitFailed;
    }
  }

  TMainLoop loop;
  MainLoopPump pump{loop};
  SystemTickClock clock;
  ConsoleDialogs dialogs;
  NoCursor cursor;
  TComPort rs232{nullptr};
  BoardTransfer transfer{rs232, pump, clock, dialogs, cursor};

 private:
  void permissionHint() const {
#ifndef _WIN32
    const std::string path = posix::DevicePathFor(rs232.DeviceName());
    if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES)
      std::cerr << path << " : accès refusé ; l'utilisateur doit faire partie du groupe dialout "
                << "(sudo adduser $USER dialout, puis se reconnecter)\n";
#endif
  }
};

// Reads a program file as "Ouvrir" does; false (message given) when refused.
// What of it is damaged is kept for the end of the command.
bool openFile(Program& program, const std::string& file, std::vector<std::string>& damaged) {
  OpenOutcome outcome = openProgramFile(program, file);
  if (outcome.status != FileStatus::Ok) {
    printMessage(outcome.message);
    return false;
  }
  damaged = std::move(outcome.damaged);
  return true;
}

template <class F>
int guarded(F&& body) {
  try {
    return body();
  } catch (const std::exception& e) {  // a port failure once the line was open
    printMessage(e.what());
    return kExitFailed;
  }
}

std::string nameOf(const std::string& file) { return std::filesystem::path(file).filename().string(); }

}  // namespace

int uploadCommand(const std::string& file, const std::string& port) {
  Program program;
  std::vector<std::string> damaged;
  if (!openFile(program, file, damaged)) return kExitRefused;
  const int outcome = guarded([&]() -> int {
    Session session(port);
    return session.exitCode(session.transfer.enregistrerDansLaCarte(program));
  });
  return reportDamage(nameOf(file), damaged, outcome);
}

int downloadCommand(const std::string& file, const std::string& port) {
  return guarded([&]() -> int {
    Program program;
    program.initialiserPages();
    Session session(port);
    const int code = session.exitCode(session.transfer.chargerDepuisLaCarte(program));
    if (code != kExitDone) return code;  // no file is created or changed
    const WriteResult written = writeProgramFile(file, program.images);
    if (!written.ok) {
      printMessage(written.message);
      return kExitFailed;
    }
    return kExitDone;
  });
}

int verifyCommand(const std::string& file, const std::string& port) {
  Program expected;
  std::vector<std::string> damaged;
  if (!openFile(expected, file, damaged)) return kExitRefused;
  expected.construireImages();
  const int outcome = guarded([&]() -> int {
    Program board;
    board.initialiserPages();
    Session session(port);
    const int code = session.exitCode(session.transfer.chargerDepuisLaCarte(board));
    if (code != kExitDone) return code;
    int differences = 0;
    for (int p = 1; p <= kPageCount; ++p) {
      if (board.images[p] == expected.images[p]) continue;
      std::cout << pageCaption(p) << " diffère\n";
      ++differences;
    }
    if (differences == 0) std::cout << "identique\n";
    return differences == 0 ? kExitDone : kExitFailed;
  });
  return reportDamage(nameOf(file), damaged, outcome);
}

}  // namespace velkor
