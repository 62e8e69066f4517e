// The windows the editor opens beside its pages: the About box, the two
// simulation windows of one output (shown modally), and, made on first use,
// the user guide and "Simulation de la carte", which follows the program as
// it is edited.
#pragma once

#include <QObject>
#include <functional>

#include "image/program.h"
#include "image/user_dialogs.h"

class QWidget;

namespace velkor {

class BoardWindow;
class HelpWindow;
class TAbout1;

// Hooks for the simulation windows of one output, which the application makes.
struct SimulationWindows {
  std::function<void()> stopStartTimers;
  std::function<void()> showLogic;   // modal
  std::function<void()> showAnalog;  // modal
};

class CompanionWindows : public QObject {
 public:
  // The windows stand beside `editor`; the board window reads `program`.
  CompanionWindows(const Program& program, UserDialogs& dialogs, QWidget* editor);

  void setAbout(TAbout1* about) { about_ = about; }
  void setSimulation(SimulationWindows windows) { simulation_ = std::move(windows); }

  void stopStartTimers();
  void showAbout();
  void simulateLogic();
  void simulateAnalog();
  void showHelp();
  // "Simulation de la carte"; it follows the program from then on, each
  // time `programChanged` is told.
  void showBoard();
  void programChanged();

  // The help window and the board window, once they have been asked for.
  HelpWindow* help() const { return help_; }
  BoardWindow* board() const { return board_; }
  // Whether the editor may quit: the board window's recording is asked about.
  bool mayClose();
  // While the editor talks to the board, nothing modal may open.
  void refuseModalCommands(bool refused);

 private:
  const Program& program_;
  UserDialogs& dialogs_;
  QWidget* editor_;
  TAbout1* about_ = nullptr;
  SimulationWindows simulation_;
  HelpWindow* help_ = nullptr;    // made on first use
  BoardWindow* board_ = nullptr;  // made on first use
  bool refused_ = false;
};

}  // namespace velkor
