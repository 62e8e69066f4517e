// The windows the editor opens beside its pages: the About box, the two
// simulation windows of one output (shown modally), and, made on first use,
// the user guide, and "Simulation de la carte", "Fiche du programme" and
// "Vue d'ensemble", which follow the program as it is edited.
#pragma once

#include <QObject>
#include <filesystem>
#include <functional>

#include "gui/editor/printer_dialog.h"
#include "image/program.h"
#include "image/user_dialogs.h"

class QWidget;

namespace velkor {

class BoardWindow;
class HelpWindow;
class OverviewWindow;
class SheetWindow;
class TAbout1;

// Hooks for the simulation windows of one output, which the application makes.
struct SimulationWindows {
  std::function<void()> stopStartTimers;
  std::function<void()> showLogic;   // modal
  std::function<void()> showAnalog;  // modal
};

class CompanionWindows : public QObject {
 public:
  // The windows stand beside `editor` and read `program`; the sheet names
  // `programFile` (empty when no file holds the program); a line of the
  // overview opens its page with `openPage` (1-11).
  CompanionWindows(const Program& program, std::function<std::filesystem::path()> programFile,
                   std::function<void(int)> openPage, UserDialogs& dialogs, QWidget* editor);

  void setAbout(TAbout1* about) { about_ = about; }
  void setSimulation(SimulationWindows windows) { simulation_ = std::move(windows); }
  // The print dialog of the sheet window made after (Qt's unless a test gives its own).
  void setPrinterDialog(PrinterDialog& printer) { printer_ = &printer; }

  void stopStartTimers();
  void showAbout();
  void simulateLogic();
  void simulateAnalog();
  void showHelp();
  // "Simulation de la carte"; it follows the program from then on, each
  // time `programChanged` is told.
  void showBoard();
  // "Fiche du programme" and "Vue d'ensemble", which follow the program too.
  void showSheet();
  void showOverview();
  void programChanged();

  // The windows made on first use, once they have been asked for.
  HelpWindow* help() const { return help_; }
  BoardWindow* board() const { return board_; }
  SheetWindow* sheet() const { return sheet_; }
  OverviewWindow* overview() const { return overview_; }
  // Whether the editor may quit: the board window's recording is asked about.
  bool mayClose();
  // While the editor talks to the board, nothing modal may open.
  void refuseModalCommands(bool refused);

 private:
  const Program& program_;
  std::function<std::filesystem::path()> programFile_;
  std::function<void(int)> openPage_;
  UserDialogs& dialogs_;
  QWidget* editor_;
  TAbout1* about_ = nullptr;
  SimulationWindows simulation_;
  QtPrinterDialog qtPrinter_;
  PrinterDialog* printer_ = &qtPrinter_;
  // Made on first use.
  HelpWindow* help_ = nullptr;
  BoardWindow* board_ = nullptr;
  SheetWindow* sheet_ = nullptr;
  OverviewWindow* overview_ = nullptr;
  bool refused_ = false;
};

}  // namespace velkor
