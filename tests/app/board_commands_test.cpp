// The board commands of the editor, end to end: menu entry, transfer over a
// pseudo-terminal to the emulated board, pages and messages.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <thread>

#include "app/qt_board_seams.h"
#include "app/tform1.h"
#include "board/board_messages.h"
#include "board/emulator_server.h"
#include "support/fake_dialogs.h"
#include "support/programs.h"

using namespace velkor;
using testing_support::FakeDialogs;

namespace {

class RecordingCursor : public BusyCursor {
 public:
  void showBusy() override { ++busy; }
  void showNormal() override { ++normal; }
  int busy = 0;
  int normal = 0;
};

}  // namespace

class BoardCommandsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QtMainThreadRunner> runner;
  std::unique_ptr<BoardEmulator> board;
  std::unique_ptr<EmulatorServer> server;
  std::thread serving;
  std::unique_ptr<FakeDialogs> dialogs;
  RecordingCursor cursor;
  std::unique_ptr<TForm1> form;

  QAction* action(const char* name) { return form->findChild<QAction*>(QString::fromLatin1(name)); }

  void startBoard(EmulatorFaults faults = {}) {
    board = std::make_unique<BoardEmulator>(faults);
    PseudoTerminal pty = openPseudoTerminal();
    server = std::make_unique<EmulatorServer>(*board, std::move(pty.master), std::move(pty.keeper));
    serving = std::thread([this] { server->run(); });
    qputenv("VELKOR_COM1", QByteArray::fromStdString(pty.path));
  }

  void stopBoard() {
    if (!serving.joinable()) return;
    server->stop();
    serving.join();
  }

 private Q_SLOTS:
  void initTestCase() {
    for (const char* name : {"VELKOR_COM1", "VELKOR_COM2", "VELKOR_COM3", "VELKOR_COM4"})
      qputenv(name, QByteArray("/dev/null/") + name);
    runner = std::make_unique<QtMainThreadRunner>();
  }

  void init() {
    dialogs = std::make_unique<FakeDialogs>();
    cursor = {};
    form = std::make_unique<TForm1>(*dialogs, cursor);
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
  }

  void cleanup() {
    form->document().ProgramModified = false;
    form.reset();
    stopBoard();
    qputenv("VELKOR_COM1", "/dev/null/VELKOR_COM1");
  }

  void uploadStoresTheProgramAndRefusesOtherCommandsMeanwhile() {
    startBoard();
    QTest::mouseClick(form->findChild<QPushButton*>("ou02_01"), Qt::LeftButton);  // EL2=1 OU EA1
    bool openRefused = false, pagesLocked = false, closeRefused = false;
    QTimer::singleShot(1500, [&] {
      openRefused = !action("Chargerunfichierprog1")->isEnabled() && !action("Sauvegarder1")->isEnabled() &&
                    !action("Chargerdepuislacarte1")->isEnabled() && !action("Quitter1")->isEnabled();
      pagesLocked = !form->pageControl()->isEnabled();
      closeRefused = !form->close();
    });
    action("Enregistrerdanslacarte1")->trigger();
    QCOMPARE(dialogs->shown.back(), std::string(msg::kUploadDone));
    QVERIFY(openRefused);
    QVERIFY(pagesLocked);
    QVERIFY(closeRefused);
    QVERIFY(form->pageControl()->isEnabled());
    QVERIFY(action("Chargerunfichierprog1")->isEnabled());
    QCOMPARE(cursor.busy, 1);
    QCOMPARE(cursor.normal, 1);
    stopBoard();
    form->program().construireImages();
    QCOMPARE(board->images, form->program().images);
    QVERIFY2(form->document().ProgramModified, "an upload keeps the flag");
  }

  void downloadShowsTheBoardsProgram() {
    startBoard();
    Program stored;
    testing_support::makeExample(stored);
    stored.construireImages();
    board->images = stored.images;
    form->pageControl()->setCurrentIndex(4);
    form->findChild<QPushButton*>("ou05_01")->click();  // something to undo, and the question
    dialogs->answers = {true};
    bool openRefused = false, closeRefused = false, undoRefused = false;
    QTimer::singleShot(1500, [&] {
      openRefused = !action("Chargerunfichierprog1")->isEnabled() && !action("Enregistrerdanslacarte1")->isEnabled() &&
                    !action("Nouveau1")->isEnabled();
      undoRefused = !action("Annuler1")->isEnabled();
      closeRefused = !form->close();
    });
    action("Chargerdepuislacarte1")->trigger();
    QVERIFY2(openRefused, "no file can be opened during a download");
    QVERIFY(closeRefused);
    QVERIFY2(undoRefused, "nothing is undone under a download");
    QCOMPARE(form->windowTitle(), QStringLiteral("VELKOR - carte"));
    QCOMPARE(action("Annuler1")->text(), QStringLiteral("&Annuler le chargement depuis la carte"));
    QCOMPARE(dialogs->shown.size(), std::size_t(2));  // the question, then what came of it
    QCOMPARE(dialogs->shown.back(), std::string(msg::kDownloadDone));
    QCOMPARE(form->pageControl()->currentIndex(), 0);
    QCOMPARE(form->findChild<QPushButton*>("ou01_01")->text(), QStringLiteral("ET"));
    QCOMPARE(form->findChild<QComboBox*>("choix01_02")->currentText(), QStringLiteral("EA2"));
    QCOMPARE(form->findChild<QLineEdit*>("edit01_02")->text(), QStringLiteral("250"));
    QCOMPARE(form->findChild<QLineEdit*>("pause1")->text(), QStringLiteral("1000"));
    QVERIFY(!form->document().ProgramModified);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("choix01_01"));
    QCOMPARE(cursor.busy, cursor.normal);
  }

  void silentBoardGivesTheCheckListAndWhatTheBoardHolds() {
    startBoard({.silent = true});
    action("Enregistrerdanslacarte1")->trigger();
    QCOMPARE(dialogs->shown, std::vector<std::string>{std::string(msg::kCheckList) + "\r\r" +
                                                      msg::echoFault(EchoFault::Silence, 1) + "\r" +
                                                      msg::boardHolds(0)});
    QCOMPARE(cursor.busy, cursor.normal);
  }

  // The field that had the focus has it again after the command, whatever
  // took it meanwhile (the pages locked during a transfer, a message).
  void focusReturnsToItsFieldAfterTheCommand_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("silentBoard");
    QTest::newRow("upload") << "Enregistrerdanslacarte1" << false;
    QTest::newRow("failed upload") << "Enregistrerdanslacarte1" << true;
    QTest::newRow("failed download") << "Chargerdepuislacarte1" << true;
    QTest::newRow("port check") << "COM21" << false;
  }

  void focusReturnsToItsFieldAfterTheCommand() {
    QFETCH(QString, command);
    QFETCH(bool, silentBoard);
    if (silentBoard) startBoard({.silent = true, .onlyLine = 1});
    else startBoard();
    form->pageControl()->setCurrentIndex(2);
    auto* pause = form->findChild<QLineEdit*>("pause3");
    pause->setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), pause);
    action(command.toLatin1().constData())->trigger();
    QVERIFY(!dialogs->shown.empty() || command == "COM21");
    QCOMPARE(QApplication::focusWidget(), pause);
    QTest::keyClicks(pause, "7");
    QVERIFY(form->document().page(3).pause.ends_with('7'));
  }

  void portEntriesCheckThePorts() {
    // COM1 missing: COM3 checks it first, then COM3 itself, missing too.
    action("COM31")->trigger();
    QCOMPARE(dialogs->shown,
             (std::vector<std::string>{
                 msg::portUnavailable("COM1 (/dev/null/VELKOR_COM1)", "fichier ou périphérique introuvable"),
                 msg::portUnavailable("COM3 (/dev/null/VELKOR_COM3)", "fichier ou périphérique introuvable")}));
    QCOMPARE(form->DeviceName(), std::string("COM3"));
    QVERIFY(action("COM31")->isChecked());
    dialogs->shown.clear();
    startBoard();  // COM1 is now a board
    action("COM11")->trigger();
    QVERIFY(dialogs->shown.empty());
    QCOMPARE(form->DeviceName(), std::string("COM1"));
    QVERIFY(!form->boardTransfer().busy());
  }
};

QTEST_MAIN(BoardCommandsTest)
#include "board_commands_test.moc"
