#include "gui/editor/tform1.h"

#include <QAction>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QTabWidget>
#include <QTimer>
#include <utility>

#include "gui/common/window_placement.h"
#include "board/transfer_port.h"
#include "gui/editor/command_runner.h"
#include "gui/editor/credit_buffer.h"
#include "gui/editor/history_binding.h"
#include "gui/editor/port_menu.h"
#include "gui/editor/transfer_commands.h"
#include "gui/editor/tabout1.h"
#include "gui/simulation/board_window.h"
#include "image/file_commands.h"

namespace velkor {
namespace {

constexpr std::string_view kQuitQuestion = "Vous allez perdre les modifications. Quitter quand même ?";
constexpr int kClientWidth = 387;
constexpr int kClientHeight = 400;

}  // namespace

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
  buildMenus();
  history_ = std::make_unique<HistoryBinding>(program_, *pages_, dialogs_, Annuler1, Retablir1, this);
  connect(history_.get(), &HistoryBinding::programChanged, this, &TForm1::programChanged);
  connect(pages_.get(), &PagesView::slotPicked, this, &TForm1::choix01_01Select);
  connect(pages_.get(), &PagesView::linkClicked, this, &TForm1::ou01_01Click);
  connect(pages_.get(), &PagesView::comparatorClicked, this, &TForm1::supinf01_01Click);
  connect(pages_.get(), &PagesView::holdClicked, this, &TForm1::zero1Click);
  connect(pages_.get(), &PagesView::simulateClicked, this,
          [this](int page) { isLogicPage(page) ? simu1Click() : simu8Click(); });
  connect(pages_.get(), &PagesView::numberTyped, history_.get(), &HistoryBinding::typed);
  FormCreate();
  ports_ = std::make_unique<PortMenu>(PortCOM1, std::array<QAction*, 4>{COM11, COM21, COM31, COM41}, rs232,
                                      *transfer_, dialogs_, *runner_);
  transfers_ = std::make_unique<TransferCommands>(*transfer_, *ports_, program_, *history_, dialogs_, *runner_,
                                                  refusedDuringTransfer_, pages_->tabs());
  connect(transfers_.get(), &TransferCommands::runningChanged, this, [this](bool running) {
    history_->refuse(running);
    if (board_) board_->refuseModalCommands(running);
  });
  setAcceptDrops(true);  // a program file dropped on the window opens
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

void TForm1::buildMenus() {
  Fichiers1 = menuBar()->addMenu(QStringLiteral("&Fichiers"));
  Fichiers1->setObjectName("Fichiers1");
  Fichiers1->setToolTipsVisible(true);  // the recent files' folders
  connect(Fichiers1, &QMenu::aboutToShow, this, &TForm1::Fichiers1Click);
  connect(Fichiers1, &QMenu::aboutToShow, this, &TForm1::showRecentFiles);

  auto add = [this](QMenu* menu, const char* name, const QString& text, void (TForm1::*handler)()) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, handler);
    return action;
  };
  QAction* nouveau = add(Fichiers1, "Nouveau1", QStringLiteral("&Nouveau"), &TForm1::Nouveau1Click);
  QAction* ouvrir =
      add(Fichiers1, "Chargerunfichierprog1", QStringLiteral("&Ouvrir"), &TForm1::Chargerunfichierprog1Click);
  QAction* enregistrer = add(Fichiers1, "Enregistrer1", QStringLiteral("En&registrer"), &TForm1::Enregistrer1Click);
  QAction* sauvegarder = add(Fichiers1, "Sauvegarder1", QStringLiteral("&Sauvegarder"), &TForm1::Sauvegarder1Click);
  refusedDuringTransfer_ = {nouveau, ouvrir, enregistrer, sauvegarder};
  Fichiers1->addSeparator();
  refusedDuringTransfer_.push_back(add(Fichiers1, "Chargerdepuislacarte1", QStringLiteral("&Charger depuis la carte"),
                                       &TForm1::Chargerdepuislacarte1Click));
  refusedDuringTransfer_.push_back(add(Fichiers1, "Enregistrerdanslacarte1",
                                       QStringLiteral("&Enregistrer dans la carte"),
                                       &TForm1::Enregistrerdanslacarte1Click));
  refusedDuringTransfer_.push_back(
      add(Fichiers1, "Verifierlacarte1", QStringLiteral("&Vérifier la carte"), &TForm1::Verifierlacarte1Click));
  Fichiers1->addSeparator();
  QMenu* ports = Fichiers1->addMenu(QStringLiteral("&Port COM"));
  ports->setObjectName("PortCOM1");
  PortCOM1 = ports;
  COM11 = add(ports, "COM11", QStringLiteral("COM&1"), &TForm1::COM11Click);
  COM21 = add(ports, "COM21", QStringLiteral("COM&2"), &TForm1::COM21Click);
  COM31 = add(ports, "COM31", QStringLiteral("COM&3"), &TForm1::COM31Click);
  COM41 = add(ports, "COM41", QStringLiteral("COM&4"), &TForm1::COM41Click);
  refusedDuringTransfer_.push_back(ports->menuAction());
  Fichiers1->addSeparator();
  recentEnd_ = Fichiers1->addSeparator();  // the recent files go above it
  recentEnd_->setVisible(false);
  QAction* quitter = add(Fichiers1, "Quitter1", QStringLiteral("&Quitter"), &TForm1::Quitter1Click);
  refusedDuringTransfer_.push_back(quitter);

  buildEditMenu();
  buildSimulationMenu();

  QAction* about = menuBar()->addAction(QStringLiteral("&A propos..."));
  about->setObjectName("Apropos1");
  connect(about, &QAction::triggered, this, &TForm1::Apropos1Click);
  refusedDuringTransfer_.push_back(about);  // modal

  buildHelpMenu();

  // Each shortcut runs what its entry runs, the focus release of opening
  // the menu included.
  nouveau->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  ouvrir->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  enregistrer->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  sauvegarder->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  quitter->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  releaseFocusBefore({nouveau, ouvrir, enregistrer, sauvegarder, quitter});
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
  if (simulation_.stopStartTimers) simulation_.stopStartTimers();
  const Reaction r = program_.initialiserPages();
  pages_->showAll();
  pages_->tabs()->setCurrentIndex(0);
  pages_->apply(r);
  history_->start();
  // A file given at start opens once the window is up, so its messages
  // have a window to stand on.
  if (!fileAtStart_.empty()) QTimer::singleShot(0, this, &TForm1::openFileAtStart);
}

void TForm1::Fichiers1Click() { pages_->releaseFocus(); }

void TForm1::Chargerunfichierprog1Click() {
  if (transfer_->busy()) return dialogs_.beep();
  history_->leaveTypedNumber();
  runner_->run([this]() -> std::optional<Reaction> {
    // The pages show what was read before any message about the file.
    const auto outcome = ouvrirProgramme(program_, dialogs_, [this](const OpenOutcome& o) { fileOpened(o); });
    if (!outcome) return std::nullopt;
    return outcome->reaction;
  });
}

void TForm1::Enregistrer1Click() { saveProgram(true); }

void TForm1::Sauvegarder1Click() { saveProgram(false); }

void TForm1::saveProgram(bool toCurrentFile) {
  if (transfer_->busy()) return dialogs_.beep();
  history_->leaveTypedNumber();  // the file is that of the program saved
  // The file the caption names: the one the pages were last opened from or
  // saved to, as undo and redo left them. Sauvegarder's dialog opens on it.
  const ProgramOrigin& origin = history_->history().origin();
  const std::filesystem::path current =
      origin.kind == ProgramOrigin::Kind::File ? origin.file : std::filesystem::path();
  // A file read damaged is only replaced once the user has chosen it again.
  if (origin.partial) toCurrentFile = false;
  runner_->run([&] {
    const auto written = toCurrentFile ? enregistrerProgramme(program_, dialogs_, current)
                                       : sauvegarderProgramme(program_, dialogs_, current);
    if (written) {
      history_->saved(*written);
      recent_.add(*written);
    }
  });
  history_->updateCaption();
}

void TForm1::Chargerdepuislacarte1Click() { transfers_->download(); }

void TForm1::Enregistrerdanslacarte1Click() { transfers_->upload(); }

void TForm1::Verifierlacarte1Click() { transfers_->verify(); }

void TForm1::COM11Click() { ports_->chooseCom(1); }
void TForm1::COM21Click() { ports_->chooseCom(2); }
void TForm1::COM31Click() { ports_->chooseCom(3); }
void TForm1::COM41Click() { ports_->chooseCom(4); }

// The board window's recording is asked about last: declining a question
// further on would otherwise leave it dropped or saved for nothing.
void TForm1::Quitter1Click() {
  if (transfer_->busy()) return dialogs_.beep();
  if (!confirmLoseChanges(program_, dialogs_, kQuitQuestion) || (board_ && !board_->mayClose())) return;
  program_.document.ProgramModified = false;
  close();
}

bool TForm1::FormCloseQuery() {
  if (!confirmLoseChanges(program_, dialogs_, kQuitQuestion) || (board_ && !board_->mayClose())) return false;
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

void TForm1::Apropos1Click() {
  if (about_) about_->exec();
}

void TForm1::simu1Click() {
  program_.construireImages();
  if (simulation_.showLogic) simulation_.showLogic();
}

void TForm1::simu8Click() {
  program_.construireImages();
  if (simulation_.showAnalog) simulation_.showAnalog();
}

}  // namespace velkor
