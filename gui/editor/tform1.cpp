#include "gui/editor/tform1.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QTabWidget>
#include <functional>
#include <utility>
#include <vector>

#include "board/transfer_port.h"
#include "gui/common/window_placement.h"
#include "gui/editor/command_runner.h"
#include "gui/editor/credit_buffer.h"
#include "gui/editor/history_binding.h"
#include "gui/editor/names_window.h"
#include "gui/editor/port_menu.h"
#include "gui/editor/transfer_commands.h"
#include "image/file_commands.h"

namespace velkor {
namespace {

constexpr std::string_view kQuitQuestion = "Vous allez perdre les modifications. Quitter quand même ?";
constexpr int kClientWidth = 387;
constexpr int kClientHeight = 400;

// Runs `before` ahead of an action that its keyboard shortcut triggers, as
// opening the action's menu does.
class BeforeShortcut : public QObject {
 public:
  BeforeShortcut(std::function<void()> before, QObject* parent) : QObject(parent), before_(std::move(before)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Shortcut) {
      auto* action = qobject_cast<QAction*>(watched);
      if (action && action->isEnabled()) before_();
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> before_;
};

// Focus that moves with the window's activation or a popup (a menu, a
// drop-down list) is not the user entering or leaving a field.
bool isFieldFocusChange(const QFocusEvent* e) {
  return e->reason() != Qt::PopupFocusReason && e->reason() != Qt::ActiveWindowFocusReason;
}

// The character a key produces, if it produces one; 0 for keys that do not
// (arrows, Delete, shortcuts), which reach the field untouched.
char characterOf(const QKeyEvent* e) {
  if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return 0;
  if (e->key() == Qt::Key_Backspace) return '\b';
  const QString text = e->text();
  if (text.size() != 1) return 0;
  const QChar c = text.front();
  if (c.unicode() < 0x20 || c.unicode() == 0x7F) return 0;
  return c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : '\x01';  // anything else is no digit
}

}  // namespace

// The entries the window's parts look after.
struct TForm1::Menus {
  QMenu* fichiers = nullptr;
  QAction* recentEnd = nullptr;  // the separator above "Quitter", the recent files above it
  QMenu* ports = nullptr;
  std::array<QAction*, 4> com{};
  QAction* undo = nullptr;
  QAction* redo = nullptr;
  std::vector<QAction*> refusedDuringTransfer;
};

TForm1::TForm1(UserDialogs& dialogs, BusyCursor& cursor, QWidget* parent)
    : QMainWindow(parent),
      dialogs_(dialogs),
      cursor_(cursor),
      pages_(std::make_unique<PagesView>(program_.document, dialogs, this, this)),
      runner_(std::make_unique<CommandRunner>(this, *pages_, dialogs)) {
  setObjectName("TForm1");
  setWindowTitle(QStringLiteral("VELKOR"));
  // Fixed single border: minimise, no maximise.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  const Menus menus = buildMenus();
  FormCreate();

  history_ = std::make_unique<HistoryBinding>(program_, *pages_, dialogs_, menus.undo, menus.redo, this);
  ports_ = std::make_unique<PortMenu>(menus.ports, menus.com, rs232, *transfer_, dialogs_, *runner_);
  transfers_ = std::make_unique<TransferCommands>(*transfer_, *ports_, program_, *history_, dialogs_, *runner_,
                                                  menus.refusedDuringTransfer, pages_->tabs());
  files_ = std::make_unique<FileMenu>(program_, dialogs_, *history_, *pages_, *runner_, menus.fichiers,
                                      menus.recentEnd, this);
  windows_ = std::make_unique<CompanionWindows>(
      program_,
      [this] { return history().origin().file; },
      [this](int page) { openPage(page); }, dialogs_, this);

  connect(pages_.get(), &PagesView::slotPicked, this, &TForm1::choix01_01Select);
  connect(pages_.get(), &PagesView::linkClicked, this, &TForm1::ou01_01Click);
  connect(pages_.get(), &PagesView::comparatorClicked, this, &TForm1::supinf01_01Click);
  connect(pages_.get(), &PagesView::holdClicked, this, &TForm1::zero1Click);
  connect(pages_.get(), &PagesView::simulateClicked, this,
          [this](int page) { isLogicPage(page) ? simu1Click() : simu8Click(); });
  connect(pages_.get(), &PagesView::numberTyped, history_.get(), &HistoryBinding::typed);
  connect(history_.get(), &HistoryBinding::programChanged, this, &TForm1::programChanged);
  connect(this, &TForm1::programChanged, windows_.get(), &CompanionWindows::programChanged);
  connect(transfers_.get(), &TransferCommands::runningChanged, this, [this](bool running) {
    history_->refuse(running);
    files_->refuse(running);
    windows_->refuseModalCommands(running);
    if (names_) names_->setEnabled(!running);  // as the pages are
  });
}

TForm1::~TForm1() {
  transfer_.reset();
  try {
    rs232.SetActive(false);
  } catch (...) {
    // Closing a dead line may fail; the port releases everything anyway.
  }
}

const EditHistory& TForm1::history() const { return history_->history(); }

void TForm1::FormCreate() {
  auto* client = new QWidget(this);
  client->setObjectName("client");
  const QSize clientSize = pages_->scale()(QSize(kClientWidth, kClientHeight));
  client->setFixedSize(clientSize);
  pages_->tabs()->setParent(client);
  pages_->tabs()->setGeometry(QRect(QPoint(0, 0), clientSize));
  setCentralWidget(client);
  setFixedSize(sizeHint());
  centreOnScreen(this);

  // Slot 01 of every page already holds ELk=1 (the document's own creation).
  writeCredit();
  pages_->showAll();

  // The board's line (38400 baud, 8N1), events on the user-interface thread;
  // the port the menu shows checked from the start.
  rs232.SetDeviceName("COM1");
  kBoardLine.applyTo(rs232);
  rs232.SetSynchronizeEvents(true);
  transfer_ = std::make_unique<BoardTransfer>(rs232, pump_, clock_, cursor_);
}

TForm1::Menus TForm1::buildMenus() {
  Menus menus;
  QMenu* fichiers = menuBar()->addMenu(QStringLiteral("&Fichiers"));
  fichiers->setObjectName("Fichiers1");
  fichiers->setToolTipsVisible(true);  // the recent files' folders
  connect(fichiers, &QMenu::aboutToShow, this, &TForm1::Fichiers1Click);
  menus.fichiers = fichiers;

  auto add = [this](QMenu* menu, const char* name, const QString& text, void (TForm1::*handler)()) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, handler);
    return action;
  };
  QAction* nouveau = add(fichiers, "Nouveau1", QStringLiteral("&Nouveau"), &TForm1::Nouveau1Click);
  QAction* ouvrir =
      add(fichiers, "Chargerunfichierprog1", QStringLiteral("&Ouvrir"), &TForm1::Chargerunfichierprog1Click);
  QAction* enregistrer = add(fichiers, "Enregistrer1", QStringLiteral("En&registrer"), &TForm1::Enregistrer1Click);
  QAction* sauvegarder = add(fichiers, "Sauvegarder1", QStringLiteral("&Sauvegarder"), &TForm1::Sauvegarder1Click);
  // Printing comes after saving, as everywhere; the window it opens is not
  // modal, so a transfer leaves it open, only its dialogs shut.
  QAction* fiche =
      add(fichiers, "Ficheduprogramme1", QStringLiteral("&Fiche du programme…"), &TForm1::Ficheduprogramme1Click);
  std::vector<QAction*>& refused = menus.refusedDuringTransfer;
  refused = {nouveau, ouvrir, enregistrer, sauvegarder};
  fichiers->addSeparator();
  refused.push_back(add(fichiers, "Chargerdepuislacarte1", QStringLiteral("&Charger depuis la carte"),
                        &TForm1::Chargerdepuislacarte1Click));
  refused.push_back(add(fichiers, "Enregistrerdanslacarte1", QStringLiteral("&Enregistrer dans la carte"),
                        &TForm1::Enregistrerdanslacarte1Click));
  refused.push_back(
      add(fichiers, "Verifierlacarte1", QStringLiteral("&Vérifier la carte"), &TForm1::Verifierlacarte1Click));
  fichiers->addSeparator();
  menus.ports = fichiers->addMenu(QStringLiteral("&Port COM"));
  menus.ports->setObjectName("PortCOM1");
  menus.com = {add(menus.ports, "COM11", QStringLiteral("COM&1"), &TForm1::COM11Click),
               add(menus.ports, "COM21", QStringLiteral("COM&2"), &TForm1::COM21Click),
               add(menus.ports, "COM31", QStringLiteral("COM&3"), &TForm1::COM31Click),
               add(menus.ports, "COM41", QStringLiteral("COM&4"), &TForm1::COM41Click)};
  refused.push_back(menus.ports->menuAction());
  fichiers->addSeparator();
  menus.recentEnd = fichiers->addSeparator();
  menus.recentEnd->setVisible(false);
  QAction* quitter = add(fichiers, "Quitter1", QStringLiteral("&Quitter"), &TForm1::Quitter1Click);
  refused.push_back(quitter);

  QMenu* edition = menuBar()->addMenu(QStringLiteral("É&dition"));
  edition->setObjectName("Edition1");
  // Leaving the field being edited first makes its change a step to undo.
  connect(edition, &QMenu::aboutToShow, this, &TForm1::Fichiers1Click);
  menus.undo = add(edition, "Annuler1", QStringLiteral("&Annuler"), &TForm1::Annuler1Click);
  menus.undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  menus.redo = add(edition, "Retablir1", QStringLiteral("&Rétablir"), &TForm1::Retablir1Click);
  menus.redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  historyActions_ = {menus.undo, menus.redo};
  edition->addSeparator();
  QAction* names = add(edition, "Nomsetcommentaires1", QStringLiteral("&Noms et commentaires…"),
                       &TForm1::Nomsetcommentaires1Click);
  names->setShortcut(QKeySequence(Qt::Key_F2));
  // The whole program at a glance, a line to a page: a way about the pages.
  add(edition, "Vuedensemble1", QStringLiteral("&Vue d'ensemble"), &TForm1::Vuedensemble1Click);

  QMenu* simulation = menuBar()->addMenu(QStringLiteral("&Simulation"));
  simulation->setObjectName("Simulation1");
  QAction* board = add(simulation, "Simulationdelacarte1", QStringLiteral("Simulation de la &carte"),
                       &TForm1::Simulationdelacarte1Click);
  board->setShortcut(QKeySequence(Qt::Key_F5));

  QAction* about = menuBar()->addAction(QStringLiteral("&A propos..."));
  about->setObjectName("Apropos1");
  connect(about, &QAction::triggered, this, &TForm1::Apropos1Click);
  refused.push_back(about);  // modal

  QAction* aide = menuBar()->addAction(QStringLiteral("A&ide"));
  aide->setObjectName("Aide1");
  aide->setShortcut(QKeySequence(Qt::Key_F1));
  aide->setShortcutContext(Qt::ApplicationShortcut);  // also from the help window itself
  connect(aide, &QAction::triggered, this, &TForm1::Aide1Click);

  // Each shortcut runs what its entry runs, the focus release of opening
  // the menu included.
  nouveau->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  ouvrir->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  enregistrer->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  sauvegarder->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  fiche->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  quitter->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  auto* releaseFirst = new BeforeShortcut([this] { Fichiers1Click(); }, this);
  for (QAction* action : {nouveau, ouvrir, enregistrer, sauvegarder, fiche, quitter, menus.undo, menus.redo})
    action->installEventFilter(releaseFirst);
  return menus;
}

bool TForm1::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate && !activated_) {
    activated_ = true;
    FormActivate();
  }
  return QMainWindow::event(e);
}

void TForm1::FormActivate() {
  pages_->buildAll();
  windows_->stopStartTimers();
  const Reaction r = program_.initialiserPages();
  pages_->showAll();
  pages_->tabs()->setCurrentIndex(0);
  pages_->apply(r);
  history_->start();
  files_->windowUp();
}

// --- Menus -------------------------------------------------------------------

void TForm1::Fichiers1Click() { pages_->releaseFocus(); }

void TForm1::Nouveau1Click() { files_->nouveau(); }

void TForm1::Chargerunfichierprog1Click() { files_->ouvrir(); }

void TForm1::Enregistrer1Click() { files_->save(true); }

void TForm1::Sauvegarder1Click() { files_->save(false); }

void TForm1::Ficheduprogramme1Click() { windows_->showSheet(); }

void TForm1::Chargerdepuislacarte1Click() { transfers_->download(); }

void TForm1::Enregistrerdanslacarte1Click() { transfers_->upload(); }

void TForm1::Verifierlacarte1Click() { transfers_->verify(); }

void TForm1::COM11Click() { ports_->chooseCom(1); }
void TForm1::COM21Click() { ports_->chooseCom(2); }
void TForm1::COM31Click() { ports_->chooseCom(3); }
void TForm1::COM41Click() { ports_->chooseCom(4); }

// The questions are closeEvent's, as for the window's own close button.
void TForm1::Quitter1Click() { close(); }

// The board window's recording is asked about last: declining a question
// further on would otherwise leave it dropped or saved for nothing.
bool TForm1::FormCloseQuery() {
  history_->leaveTypedNumber();  // a name typed and not left is a change too
  if (!confirmLoseChanges(program_, dialogs_, kQuitQuestion) || !windows_->mayClose()) return false;
  program_.document.ProgramModified = false;
  return true;
}

void TForm1::closeEvent(QCloseEvent* e) {
  if (transfer_->busy()) {  // refused until the transfer has ended
    dialogs_.beep();
    e->ignore();
    return;
  }
  if (FormCloseQuery()) e->accept();
  else e->ignore();
}

void TForm1::Annuler1Click() { history_->step(true); }

void TForm1::Retablir1Click() { history_->step(false); }

void TForm1::Nomsetcommentaires1Click() {
  if (!names_) {
    names_ = std::make_unique<NamesWindow>(program_.document, *history_, historyActions_, this);
    names_->setEnabled(!transfer_->busy());
    connect(history_.get(), &HistoryBinding::programChanged, names_.get(), &NamesWindow::showNames);
  }
  names_->showWindow();
}

void TForm1::Vuedensemble1Click() { windows_->showOverview(); }

void TForm1::Apropos1Click() { windows_->showAbout(); }

void TForm1::Aide1Click() { windows_->showHelp(); }

void TForm1::Simulationdelacarte1Click() { windows_->showBoard(); }

// --- Fields ------------------------------------------------------------------

void TForm1::openPage(int page) {
  // The field typed in lost the keyboard with the window, not by a leave:
  // its number becomes its step before another page shows.
  history_->leaveTypedNumber();
  pages_->tabs()->setCurrentIndex(page - 1);
  bringToFront(this);
}

void TForm1::simu1Click() {
  program_.construireImages();
  windows_->simulateLogic();
}

void TForm1::simu8Click() {
  program_.construireImages();
  windows_->simulateAnalog();
}

bool TForm1::eventFilter(QObject* watched, QEvent* e) {
  const FieldId id = PagesView::fieldOf(watched);
  if (!isValidField(id)) return QMainWindow::eventFilter(watched, e);
  switch (e->type()) {
    case QEvent::ShortcutOverride:
      // Ctrl+Z and its kin undo the program's steps, not the field's typing.
      if (HistoryBinding::isHistoryKey(static_cast<QKeyEvent*>(e))) {
        e->ignore();
        return true;
      }
      break;
    case QEvent::FocusIn:
      if (id.family == FieldFamily::Slot && isFieldFocusChange(static_cast<QFocusEvent*>(e)))
        choix01_01Enter(static_cast<QComboBox*>(watched));
      break;
    case QEvent::FocusOut:
      if (isFieldFocusChange(static_cast<QFocusEvent*>(e))) edit01_01Exit(qobject_cast<QLineEdit*>(watched));
      break;
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(e);
      if (HistoryBinding::isHistoryKey(key)) return true;  // nothing to undo yet: not the field's own undo either
      switch (id.family) {
        case FieldFamily::Slot: return choix01_01KeyPress(static_cast<QComboBox*>(watched), key);
        case FieldFamily::Threshold:
        case FieldFamily::Voltage: return edit01_01KeyPress(static_cast<QLineEdit*>(watched), key);
        case FieldFamily::Pause: return pause1KeyPress(static_cast<QLineEdit*>(watched), key);
        default: break;
      }
      break;
    }
    default: break;
  }
  return QMainWindow::eventFilter(watched, e);
}

void TForm1::choix01_01Enter(QComboBox* slot) {
  const FieldId id = PagesView::fieldOf(slot);
  program_.document.choix01_01Enter(id);
  pages_->show(id.page);
}

bool TForm1::choix01_01KeyPress(QComboBox* slot, QKeyEvent* key) {
  const char c = characterOf(key);
  if (c == 0) return false;  // arrows still pick from the list
  return !program_.document.choix01_01KeyPress(PagesView::fieldOf(slot), c);
}

void TForm1::choix01_01Select(FieldId slot, const QString& choice) {
  program_.document.choix01_01Select(slot, choice.toStdString());
  history_->changed(slot);
}

void TForm1::ou01_01Click(FieldId link) { history_->changed(link, program_.document.ou01_01Click(link)); }

void TForm1::supinf01_01Click(FieldId comparator) {
  history_->changed(comparator, program_.document.supinf01_01Click(comparator));
}

void TForm1::zero1Click(FieldId hold) {
  program_.document.zero1Click(hold);
  history_->changed(hold);
}

bool TForm1::edit01_01KeyPress(QLineEdit* field, QKeyEvent* key) {
  const char c = characterOf(key);
  if (c == 0) return false;
  const bool discard =
      !program_.document.edit01_01KeyPress(PagesView::fieldOf(field), c, field->hasSelectedText());
  history_->updateCaption();
  return discard;
}

bool TForm1::pause1KeyPress(QLineEdit* field, QKeyEvent* key) {
  const char c = characterOf(key);
  if (c == 0) return false;
  const bool discard = !program_.document.pause1KeyPress(PagesView::fieldOf(field), c, field->hasSelectedText());
  history_->updateCaption();
  return discard;
}

void TForm1::edit01_01Exit(QLineEdit* field) {
  if (field) history_->left(PagesView::fieldOf(field));
}

}  // namespace velkor
