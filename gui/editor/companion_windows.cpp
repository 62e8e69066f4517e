#include "gui/editor/companion_windows.h"

#include "gui/common/path_text.h"
#include "gui/editor/help_window.h"
#include "gui/editor/overview_window.h"
#include "gui/editor/sheet_window.h"
#include "gui/editor/tabout1.h"
#include "gui/simulation/board_window.h"
#include "image/encoding.h"

namespace velkor {

CompanionWindows::CompanionWindows(const Program& program, std::function<std::filesystem::path()> programFile,
                                   std::function<void(int)> openPage, UserDialogs& dialogs, QWidget* editor)
    : program_(program),
      programFile_(std::move(programFile)),
      openPage_(std::move(openPage)),
      dialogs_(dialogs),
      editor_(editor) {}

void CompanionWindows::stopStartTimers() {
  if (simulation_.stopStartTimers) simulation_.stopStartTimers();
}

void CompanionWindows::showAbout() {
  if (about_) about_->exec();
}

void CompanionWindows::simulateLogic() {
  if (simulation_.showLogic) simulation_.showLogic();
}

void CompanionWindows::simulateAnalog() {
  if (simulation_.showAnalog) simulation_.showAnalog();
}

void CompanionWindows::showHelp() {
  if (!help_) help_ = new HelpWindow(editor_);
  help_->showGuide();
}

void CompanionWindows::showBoard() {
  if (!board_) {
    // The window reads the pages, not the images, which a number being typed
    // has not reached yet.
    board_ = new BoardWindow(
        [this] {
          ProgramImages images;
          construireImages(program_.document, images);
          return images;
        },
        dialogs_, editor_, &program_.document.names);
    board_->refuseModalCommands(refused_);
  }
  board_->showWindow();
}

void CompanionWindows::showSheet() {
  if (!sheet_) {
    sheet_ = new SheetWindow(
        [this] {
          const std::filesystem::path file = programFile_();
          const std::string name = file.empty() ? std::string() : toQString(file.filename()).toStdString();
          return buildSheet(program_.document, program_.document.names, name, sheetToday());
        },
        dialogs_, *printer_, editor_);
    sheet_->refuseModalCommands(refused_);
  }
  sheet_->showWindow();
}

void CompanionWindows::showOverview() {
  if (!overview_) {
    overview_ = new OverviewWindow(program_.document, editor_);
    connect(overview_, &OverviewWindow::pageChosen, this, [this](int page) { openPage_(page); });
  }
  overview_->showWindow();
}

void CompanionWindows::programChanged() {
  if (board_) board_->followProgram();
  if (sheet_) sheet_->followProgram();
  if (overview_) overview_->followProgram();
}

bool CompanionWindows::mayClose() { return !board_ || board_->mayClose(); }

void CompanionWindows::refuseModalCommands(bool refused) {
  refused_ = refused;
  if (board_) board_->refuseModalCommands(refused);
  if (sheet_) sheet_->refuseModalCommands(refused);
}

}  // namespace velkor
