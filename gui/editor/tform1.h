// The main window: the eleven output pages, the menus and the commands.
//
// The pages (PagesView) name the field each event comes from. The handlers
// are shared by a family of fields, run the document's rule, then show the
// document again and apply the rule's Reaction (focus, beep).
#pragma once

#include <QMainWindow>
#include <memory>
#include <optional>
#include <vector>

#include "board/board_transfer.h"
#include "comport/ComPort.h"
#include "document/edit_history.h"
#include "gui/editor/pages_view.h"
#include "gui/editor/qt_board_seams.h"
#include "gui/editor/recent_files.h"
#include "image/program.h"
#include "image/user_dialogs.h"

class QAction;
class QActionGroup;
class QComboBox;
class QLineEdit;
class QMenu;

namespace velkor {

class BoardWindow;
class CommandRunner;
class HistoryBinding;
class PortMenu;
class TransferCommands;
class HelpWindow;
class TAbout1;
struct OpenOutcome;

// Hooks for the simulation windows, which live in their own library.
struct SimulationWindows {
  std::function<void()> stopStartTimers;
  std::function<void()> showLogic;   // modal
  std::function<void()> showAnalog;  // modal
};

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
  void setSimulationWindows(SimulationWindows windows) { simulation_ = std::move(windows); }
  void setAboutBox(TAbout1* about) { about_ = about; }

  // The undo history and the file the program was last opened from or saved to.
  const EditHistory& history() const;
  RecentFiles& recentFiles() { return recent_; }
  // Opens `path` once the window has first been activated (`velkor FILE`).
  void openAtStart(std::filesystem::path path) { fileAtStart_ = std::move(path); }
  // Opens a file as "Ouvrir" does once the file is chosen, asking first
  // while there are unsaved changes (a dropped file, a recent one).
  void openFile(const std::filesystem::path& path);
  // The help window, once it has been asked for.
  HelpWindow* helpWindow() const { return help_; }
  // "Simulation de la carte", once it has been asked for.
  BoardWindow* boardWindow() const { return board_; }

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
  void Apropos1Click();
  void Aide1Click();
  void Simulationdelacarte1Click();

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private Q_SLOTS:
  // The fields' handlers, each serving a family of fields.
  void choix01_01Select(FieldId slot, const QString& choice);
  void ou01_01Click(FieldId link);
  void supinf01_01Click(FieldId comparator);
  void zero1Click(FieldId hold);
  void simu1Click();
  void simu8Click();

 private:
  void FormCreate();
  void FormActivate();
  bool FormCloseQuery();
  void choix01_01Enter(QComboBox* slot);
  bool choix01_01KeyPress(QComboBox* slot, QKeyEvent* key);
  bool edit01_01KeyPress(QLineEdit* field, QKeyEvent* key);
  bool pause1KeyPress(QLineEdit* field, QKeyEvent* key);
  // The leave rules of the numeric fields (edit01_01Exit, tension1Exit, pause1Exit).
  void edit01_01Exit(QLineEdit* field);

  void buildMenus();
  void buildEditMenu();
  void buildHelpMenu();
  void buildSimulationMenu();
  void showRecentFiles();
  void releaseFocusBefore(std::initializer_list<QAction*> actions);
  void fileOpened(const OpenOutcome& outcome);
  // "Enregistrer" (`toCurrentFile`) or "Sauvegarder": either writes the
  // program, the file then holds the current state of the history.
  void saveProgram(bool toCurrentFile);
  void openFileAtStart();
  void openRecentFile(const QString& file);
  UserDialogs& dialogs_;
  BusyCursor& cursor_;
  Program program_;
  TComPort rs232{nullptr};
  QtEventPump pump_;
  QtPauseClock clock_;
  std::unique_ptr<BoardTransfer> transfer_;
  std::unique_ptr<PagesView> pages_;
  SimulationWindows simulation_;
  TAbout1* about_ = nullptr;
  HelpWindow* help_ = nullptr;  // made on first use
  BoardWindow* board_ = nullptr;  // made on first use
  bool activated_ = false;
  std::unique_ptr<CommandRunner> runner_;
  std::unique_ptr<HistoryBinding> history_;
  std::unique_ptr<PortMenu> ports_;
  std::unique_ptr<TransferCommands> transfers_;
  RecentFiles recent_;
  std::filesystem::path fileAtStart_;

  QMenu* Fichiers1 = nullptr;
  QMenu* Edition1 = nullptr;
  QAction* Annuler1 = nullptr;
  QAction* Retablir1 = nullptr;
  QAction* recentEnd_ = nullptr;  // the separator above "Quitter"
  std::vector<QAction*> recentEntries_;
  std::vector<QAction*> refusedDuringTransfer_;
  QMenu* PortCOM1 = nullptr;
  QAction* COM11 = nullptr;
  QAction* COM21 = nullptr;
  QAction* COM31 = nullptr;
  QAction* COM41 = nullptr;
};

}  // namespace velkor
