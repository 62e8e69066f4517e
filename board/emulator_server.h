// Serves a BoardEmulator on a serial line or a pseudo-terminal, sending each
// answer piece at its time. Blocks in poll() between events; never spins.
#pragma once

#include <string>

#include "board/board_emulator.h"

namespace velkor {

// A pseudo-terminal for the emulator: the editor opens `path`. The emulator
// keeps the other side open itself, so the line stays up while the editor
// closes and reopens its port.
struct PseudoTerminal {
  int master = -1;
  int keeper = -1;
  std::string path;
};
// Throws std::system_error when no pseudo-terminal can be had.
PseudoTerminal openPseudoTerminal();

class EmulatorServer {
 public:
  // `fd`: the line (a pseudo-terminal's master side or a tty); `keeper`: a
  // descriptor to close with it when the line goes dead, or -1.
  EmulatorServer(BoardEmulator& board, int fd, int keeper = -1);
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
  int fd_;
  int keeper_;
  int wake_[2] = {-1, -1};
};

}  // namespace velkor
