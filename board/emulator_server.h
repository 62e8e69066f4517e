// Serves a BoardEmulator on a serial line or a pseudo-terminal, sending each
// answer piece at its time. Blocks in poll() between events; never spins.
#pragma once

#include <string>

#include "board/board_emulator.h"
#include "comport/posix/unique_fd.h"

namespace velkor {

// A pseudo-terminal for the emulator: the editor opens `path`. The emulator
// keeps the other side open itself, so the line stays up while the editor
// closes and reopens its port.
struct PseudoTerminal {
  posix::UniqueFd master;
  posix::UniqueFd keeper;
  std::string path;
};
// Throws std::system_error when no pseudo-terminal can be had whole, master
// and keeper both open; nothing is then left open.
PseudoTerminal openPseudoTerminal();

// A serial line to answer on instead, raw at 38400 baud. Anything but a
// terminal is refused (replies appended to a file answer nobody): no line
// then, and `whyNot` says why, in French.
posix::UniqueFd openSerialDevice(const std::string& device, std::string& whyNot);

class EmulatorServer {
 public:
  // `line`: a pseudo-terminal's master side or a tty; `keeper`: a descriptor
  // to close with it when the line goes dead, or none.
  EmulatorServer(BoardEmulator& board, posix::UniqueFd line, posix::UniqueFd keeper = {});
  ~EmulatorServer();
  EmulatorServer(const EmulatorServer&) = delete;
  EmulatorServer& operator=(const EmulatorServer&) = delete;

  // Answers until stop(). A line that goes dead (the hang-up fault) is closed
  // at once; run() then waits for stop().
  void run();
  // From any thread, or a signal handler.
  void stop();
  // Closes the line now, as pulling the cable would (from the serving thread's
  // side: safe to call from any thread, takes effect at once).
  void hangUp();

 private:
  void closeLine();

  BoardEmulator& board_;
  posix::UniqueFd fd_;
  posix::UniqueFd keeper_;
  posix::UniqueFd wakeRead_, wakeWrite_;
};

}  // namespace velkor
