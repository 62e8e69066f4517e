// A board emulated on a pseudo-terminal, a port on its other side and a
// transfer between them, all driven from the test's own main loop.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "board/board_transfer.h"
#include "board/main_loop_pump.h"
#include "editor_side.h"
#include "support/counting_cursor.h"
#include "support/emulated_board.h"
#include "support/fake_dialogs.h"
#include "support/process_usage.h"
#include "support/programs.h"

namespace velkor::testing_support {

class TransferTest : public testing::Test {
 protected:
  TMainLoop loop;
  MainLoopPump pump{loop};
  SystemTickClock clock;
  FakeDialogs dialogs;
  CountingCursor cursor;
  EmulatedBoard emulated;
  std::unique_ptr<BoardEmulator>& board = emulated.board;
  TComPort port{nullptr};
  std::unique_ptr<BoardTransfer> transfer;
  Program program;

  // `memory`: what the board holds, set before its thread starts.
  void startBoard(EmulatorFaults faults = {}, const ProgramImages* memory = nullptr) {
    port.SetDeviceName(emulated.start(faults, memory));
    kBoardLine.applyTo(port);
    if (!transfer) transfer = std::make_unique<BoardTransfer>(port, pump, clock, cursor);
    program.initialiserPages();
  }

  // Stops the emulator, after which its memory can be read.
  void stopBoard() { emulated.stop(); }

  void TearDown() override {
    transfer.reset();
    port.SetActive(false);
    stopBoard();
  }

  // "Enregistrer dans la carte" and "Charger depuis la carte" as the editor runs them.
  TransferResult upload(Program& p) { return uploadProgram(*transfer, dialogs, p); }
  TransferResult download(Program& p) { return downloadProgram(*transfer, dialogs, p); }

  // Milliseconds a call takes.
  template <class F>
  long long timed(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  }
};

}  // namespace velkor::testing_support
