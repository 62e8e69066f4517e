// The main window: the eleven output pages, the menus and the commands.
//
// The window is made of parts, each with its own state: the pages
// (PagesView), the undo history bound to them (HistoryBinding), the program
// files (FileMenu), the port menu (PortMenu), the board commands
// (TransferCommands), the windows it opens beside it (CompanionWindows)
// and the one that edits the program's names (NamesWindow). Its handlers
// keep the names of the menus and fields they serve; each runs the
// document's rule or hands the work to its part.
#pragma once

#include <QMainWindow>
#include <memory>

#include "board/board_transfer.h"
#include "comport/ComPort.h"
#include "document/edit_history.h"
#include "gui/editor/companion_windows.h"
#include "gui/editor/file_menu.h"
#include "gui/editor/pages_view.h"
#include "gui/editor/qt_board_seams.h"
#include "image/program.h"
#include "image/user_dialogs.h"

class QComboBox;
class QLineEdit;

namespace velkor {

class CommandRunner;
class HistoryBinding;
class NamesWindow;
class PortMenu;
class TransferCommands;

class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  // `dialogs` answers every question the window asks and `cursor` shows the
  // busy cursor during transfers; the window owns neither.
  TForm1(UserDialogs& dialogs, BusyCursor& cursor, QWidget* parent = nullptr);
  ~TForm1() override;

  Program& program() { return program_; }
  ProgramDocument& document() { return program_.document; }
  PagesView& pages() { return *pages_; }
  const std::string& DeviceName() const { return rs232.DeviceName(); }
  BoardTransfer& boardTransfer() { return *transfer_; }
  // The undo history and the file the program was last opened from or saved to.
  const EditHistory& history() const;
  FileMenu& files() { return *files_; }
  CompanionWindows& windows() { return *windows_; }

 Q_SIGNALS:
  // The program on the pages changed: an edit (a number as it is typed),
  // undo or redo, a file opened, a download, Nouveau.
  void programChanged();

 public Q_SLOTS:
  // Menus.
  void Fichiers1Click();
  void Nouveau1Click();
  void Chargerunfichierprog1Click();
  void Enregistrer1Click();
  void Sauvegarder1Click();
  void Ficheduprogramme1Click();
  void Chargerdepuislacarte1Click();
  void Enregistrerdanslacarte1Click();
  void Verifierlacarte1Click();
  void COM11Click();
  void COM21Click();
  void COM31Click();
  void COM41Click();
  void Quitter1Click();
  void Annuler1Click();
  void Retablir1Click();
  void Nomsetcommentaires1Click();
  void Vuedensemble1Click();
  void Apropos1Click();
  void Aide1Click();
  void Simulationdelacarte1Click();

 protected:
  bool event(QEvent* event) override;
  // The fields' focus and keys: their enter, key and leave rules.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private Q_SLOTS:
  // The fields' handlers, each serving a family of fields.
  void choix01_01Select(FieldId slot, const QString& choice);
  void ou01_01Click(FieldId link);
  void supinf01_01Click(FieldId comparator);
  void zero1Click(FieldId hold);
  void simu1Click();
  void simu8Click();
  // A line of the overview: output page `page` (1-11) shown, the editor in front.
  void openPage(int page);

 private:
  void FormCreate();
  void FormActivate();
  bool FormCloseQuery();
  void choix01_01Enter(QComboBox* slot);
  // True when the key is discarded.
  bool choix01_01KeyPress(QComboBox* slot, QKeyEvent* key);
  bool edit01_01KeyPress(QLineEdit* field, QKeyEvent* key);
  bool pause1KeyPress(QLineEdit* field, QKeyEvent* key);
  // The leave rules of the numeric fields (edit01_01Exit, tension1Exit, pause1Exit).
  void edit01_01Exit(QLineEdit* field);
  struct Menus;
  Menus buildMenus();

  UserDialogs& dialogs_;
  BusyCursor& cursor_;
  Program program_;
  TComPort rs232{nullptr};
  QtEventPump pump_;
  QtPauseClock clock_;
  std::unique_ptr<BoardTransfer> transfer_;
  bool activated_ = false;
  std::unique_ptr<PagesView> pages_;
  std::unique_ptr<CommandRunner> runner_;
  std::unique_ptr<HistoryBinding> history_;
  std::unique_ptr<PortMenu> ports_;
  std::unique_ptr<TransferCommands> transfers_;
  std::unique_ptr<FileMenu> files_;
  std::unique_ptr<CompanionWindows> windows_;
  QList<QAction*> historyActions_;  // Annuler and Rétablir, also in the names window
  // Made on first use; goes before the parts it records its steps through.
  std::unique_ptr<NamesWindow> names_;
};

}  // namespace velkor
