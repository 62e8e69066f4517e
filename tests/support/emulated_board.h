// A board emulated on a pseudo-terminal, its server on a thread of its own,
// for tests that reach it through a real port.
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "board/emulator_server.h"

namespace velkor::testing_support {

struct EmulatedBoard {
  std::unique_ptr<BoardEmulator> board;
  std::unique_ptr<EmulatorServer> server;
  std::thread serving;

  // `memory`: what the board holds, set before its thread starts. Returns
  // the terminal a port opens to reach it.
  std::string start(EmulatorFaults faults = {}, const ProgramImages* memory = nullptr) {
    board = std::make_unique<BoardEmulator>(faults);
    if (memory) board->images = *memory;
    PseudoTerminal pty = openPseudoTerminal();
    server = std::make_unique<EmulatorServer>(*board, std::move(pty.master), std::move(pty.keeper));
    serving = std::thread([this] { server->run(); });
    return pty.path;
  }

  // Stops the emulator, after which its memory can be read.
  void stop() {
    if (!serving.joinable()) return;
    server->stop();
    serving.join();
  }

  ~EmulatedBoard() { stop(); }
};

}  // namespace velkor::testing_support
