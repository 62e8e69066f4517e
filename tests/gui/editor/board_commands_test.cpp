// The board commands of the editor, end to end: menu entry, transfer over a
// pseudo-terminal to the emulated board, pages and messages.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QSettings>
#include <QSpinBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <ctime>
#include <fstream>
#include <memory>

#include "board/board_messages.h"
#include "gui/editor/qt_board_seams.h"
#include "gui/editor/tabout1.h"
#include "gui/editor/tform1.h"
#include "gui/simulation/board_window.h"
#include "support/editor_on_screen.h"
#include "support/emulated_board.h"
#include "support/fake_dialogs.h"
#include "support/pending_edit.h"
#include "support/programs.h"
#include "support/temp_dir.h"
#include "support/test_ports.h"

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
  testing_support::EmulatedBoard emulated;
  std::unique_ptr<BoardEmulator>& board = emulated.board;
  std::unique_ptr<FakeDialogs> dialogs;
  RecordingCursor cursor;
  std::unique_ptr<TForm1> form;
  testing_support::TempDir settings;

  // What the progress panel shows, read by a timer while a transfer runs.
  struct Seen {
    QStringList steps;       // each step text once, in order
    QList<int> bars;         // the bar at each
    QStringList timesLeft;   // the time left at each
    int ticks = 0;           // timer events handled meanwhile
  };

  // Runs `command`, watching the panel every 20 ms; clicks "Annuler" once the
  // step shown contains `stopAt`, when given.
  Seen watchTransfer(const char* command, const QString& stopAt = {}) {
    Seen seen;
    auto* step = form->findChild<QLabel*>("step");
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      ++seen.ticks;
      if (!step->isVisible()) return;
      const QString text = step->text();
      if (!text.contains('/') || (!seen.steps.isEmpty() && seen.steps.back() == text)) return;
      seen.steps << text;
      seen.bars << form->findChild<QProgressBar*>("bar")->value();
      seen.timesLeft << form->findChild<QLabel*>("timeLeft")->text();
      if (!stopAt.isEmpty() && text.contains(stopAt)) QTest::mouseClick(form->findChild<QPushButton*>("Annuler"), Qt::LeftButton);
    });
    poll.start(20);
    action(command)->trigger();
    return seen;
  }

  QAction* action(const char* name) { return form->findChild<QAction*>(QString::fromLatin1(name)); }

  // `memory`: what the board holds, set before its thread starts.
  void startBoard(EmulatorFaults faults = {}, const ProgramImages* memory = nullptr) {
    qputenv("VELKOR_COM1", QByteArray::fromStdString(emulated.start(faults, memory)));
  }

  void stopBoard() { emulated.stop(); }

 private Q_SLOTS:
  void initTestCase() {
    testing_support::keepToScratch(settings);
    runner = std::make_unique<QtMainThreadRunner>();
  }

  void init() {
    cursor = {};
    QVERIFY(testing_support::showEditor(form, dialogs, cursor));
  }

  void cleanup() {
    testing_support::dropEditor(form);
    stopBoard();
    testing_support::pointComNamesAway();
  }

  void uploadStoresTheProgramAndRefusesOtherCommandsMeanwhile() {
    startBoard();
    QTest::mouseClick(form->findChild<QPushButton*>("ou02_01"), Qt::LeftButton);  // EL2=1 OU EA1
    bool openRefused = false, pagesLocked = false, closeRefused = false;
    QTimer::singleShot(1500, [&] {
      openRefused = !action("Chargerunfichierprog1")->isEnabled() && !action("Sauvegarder1")->isEnabled() &&
                    !action("Chargerdepuislacarte1")->isEnabled() && !action("Quitter1")->isEnabled();
      pagesLocked = !form->pages().tabs()->isEnabled();
      closeRefused = !form->close();
    });
    action("Enregistrerdanslacarte1")->trigger();
    QCOMPARE(dialogs->shown.back(), std::string(msg::kUploadDone));
    QVERIFY(openRefused);
    QVERIFY(pagesLocked);
    QVERIFY(closeRefused);
    QVERIFY(form->pages().tabs()->isEnabled());
    QVERIFY(action("Chargerunfichierprog1")->isEnabled());
    QCOMPARE(cursor.busy, 1);
    QCOMPARE(cursor.normal, 1);
    stopBoard();
    form->program().construireImages();
    QCOMPARE(board->images, form->program().images);
    QVERIFY2(form->document().ProgramModified, "an upload keeps the flag");
  }

  // Every command that opens a modal window, tried while an upload waits for
  // an echo: none opens (its event loop would hold the transfer), and the
  // upload goes through. A window that does open is closed 1.5 s later.
  void nothingModalOpensDuringATransfer() {
    startBoard();
    form->windows().setAbout(new TAbout1(form.get()));
    action("Simulationdelacarte1")->trigger();
    BoardWindow* window = form->windows().board();
    QStringList opened;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal) modal = QApplication::activePopupWidget();  // a context menu's loop
      if (!modal || modal->property("seen").toBool()) return;
      modal->setProperty("seen", true);
      opened << modal->metaObject()->className();
      QTimer::singleShot(1500, modal, &QWidget::close);
    });
    watch.start(20);
    bool tried = false;
    QTimer::singleShot(900, [&] {
      QVERIFY(form->boardTransfer().busy());
      action("Apropos1")->trigger();
      for (QAction* command : {window->playAction, window->playAtOnceAction, window->exportPngAction,
                               window->exportSvgAction, window->exportCsvAction, window->recordAction})
        command->trigger();
      QWidget* field = window->ea[0]->findChild<QLineEdit*>();
      QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(4, 4), field->mapToGlobal(QPoint(4, 4)));
      QApplication::sendEvent(field, &rightClick);
      tried = true;
    });
    action("Enregistrerdanslacarte1")->trigger();
    QTRY_VERIFY(tried);
    QCOMPARE(opened, QStringList());
    QCOMPARE(dialogs->shown.back(), std::string(msg::kUploadDone));
    // Afterwards they open again.
    QVERIFY(action("Apropos1")->isEnabled());
    QVERIFY(window->playAction->isEnabled() && window->recordAction->isEnabled());
  }

  void downloadShowsTheBoardsProgram() {
    Program stored;
    testing_support::makeExample(stored);
    stored.construireImages();
    startBoard({}, &stored.images);  // the memory is set before the board's thread reads it
    form->pages().tabs()->setCurrentIndex(4);
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
    QCOMPARE(form->pages().tabs()->currentIndex(), 0);
    QCOMPARE(form->findChild<QPushButton*>("ou01_01")->text(), QStringLiteral("ET"));
    QCOMPARE(form->findChild<QComboBox*>("choix01_02")->currentText(), QStringLiteral("EA2"));
    QCOMPARE(form->findChild<QLineEdit*>("edit01_02")->text(), QStringLiteral("250"));
    QCOMPARE(form->findChild<QLineEdit*>("pause1")->text(), QStringLiteral("1000"));
    QVERIFY(!form->document().ProgramModified);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("choix01_01"));
    QCOMPARE(cursor.busy, cursor.normal);
  }

  // A number typed and not left is the old program's step, as for a file opened.
  void downloadKeepsTheNumberTypedAsTheOldFilesStep() {
    Program stored;
    testing_support::makeExample(stored);
    stored.construireImages();
    startBoard({}, &stored.images);
    testing_support::TempDir dir;
    const auto edit = testing_support::typeWithoutLeaving(*form, *dialogs, dir / "A.prg");
    dialogs->answers = {true};
    action("Chargerdepuislacarte1")->trigger();
    QCOMPARE(dialogs->shown.back(), std::string(msg::kDownloadDone));
    testing_support::checkTheNumberStaysItsFilesStep(*form, *dialogs, edit, QStringLiteral("VELKOR - carte"));
  }

  // The question comes before the port is opened; Cancel changes nothing.
  void downloadAsksWhileModifiedAndCancelChangesNothing() {
    startBoard();
    form->document().zero1Click(FieldId::hold(8));
    dialogs->answers = {false};
    action("Chargerdepuislacarte1")->trigger();
    QCOMPARE(dialogs->shown, std::vector<std::string>{"Attention...|Vous allez perdre les modifications. Continuer ?"});
    QVERIFY(form->document().page(8).hold);
    QVERIFY(form->document().ProgramModified);
    TComPort other{nullptr};  // the editor holds its port exclusively once open
    other.SetDeviceName(form->DeviceName());
    other.SetActive(true);
    QVERIFY2(other.Active(), "nothing was opened");
    other.SetActive(false);
  }

  // A download that stops on a fault keeps the images that arrived; the
  // pages stay as they were.
  void failedDownloadKeepsTheImagesThatArrived() {
    Program stored;
    testing_support::makeExample(stored);
    stored.construireImages();
    startBoard({.noProgram = true, .onlyLine = 3}, &stored.images);
    form->program().construireImages();
    const ProgramImages before = form->program().images;
    QVERIFY(stored.images[1] != before[1]);
    // A field whose enter rule does not rebuild the images gets the focus back.
    form->findChild<QLineEdit*>("pause1")->setFocus(Qt::TabFocusReason);
    action("Chargerdepuislacarte1")->trigger();
    QCOMPARE(dialogs->shown.size(), std::size_t(1));
    for (int page = 1; page <= kPageCount; ++page)
      QCOMPARE(form->program().images[page], page < 3 ? stored.images[page] : before[page]);
    form->program().construireImages();
    QCOMPARE(form->program().images, before);
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
    form->pages().tabs()->setCurrentIndex(2);
    auto* pause = form->findChild<QLineEdit*>("pause3");
    pause->setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), pause);
    action(command.toLatin1().constData())->trigger();
    QVERIFY(!dialogs->shown.empty() || command == "COM21");
    QCOMPARE(QApplication::focusWidget(), pause);
    QTest::keyClicks(pause, "7");
    QVERIFY(form->document().page(3).pause.ends_with('7'));
  }

  // Every step in turn, its bar and time left; the window repaints and its
  // timers run during the fixed pauses, at ~0 CPU beside them.
  void uploadShowsEachStepAndRepaintsDuringThePauses() {
    startBoard();
    auto* step = form->findChild<QLabel*>("step");
    QElapsedTimer clock;
    QList<qint64> firstPaint;  // of each step's text, from the start
    struct PaintWatch : QObject {
      std::function<void()> painted;
      bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) painted();
        return false;
      }
    } watch;
    QString last;
    watch.painted = [&] {
      if (step->text() != last && step->text().contains('/')) firstPaint << clock.elapsed();
      last = step->text();
    };
    step->installEventFilter(&watch);
    clock.start();
    const std::clock_t cpu = std::clock();
    const Seen seen = watchTransfer("Enregistrerdanslacarte1");
    const double cpuShare = double(std::clock() - cpu) / CLOCKS_PER_SEC / (double(clock.elapsed()) / 1000);
    QCOMPARE(dialogs->shown.back(), std::string(msg::kUploadDone));
    QStringList expected;
    for (int page = 1; page <= kPageCount; ++page) expected << QString::fromStdString(msg::transferStepText(true, page));
    QCOMPARE(seen.steps, expected);
    QCOMPARE(seen.steps[2], QStringLiteral("Envoi de SL3 (3/11)…"));
    QCOMPARE(seen.bars, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    QCOMPARE(seen.timesLeft.front(), QStringLiteral("Temps restant : environ 7 s"));
    QCOMPARE(seen.timesLeft.back(), QStringLiteral("Temps restant : environ 1 s"));
    // Each step is painted while its line's 600 ms pause runs, not after it.
    QCOMPARE(firstPaint.size(), kPageCount);
    for (int k = 0; k < kPageCount; ++k)
      QVERIFY2(firstPaint[k] < 100 + k * 620 + 350, qPrintable(QStringLiteral("step %1 painted at %2 ms").arg(k + 1).arg(firstPaint[k])));
    QVERIFY2(seen.ticks > 150, qPrintable(QStringLiteral("%1 ticks of 20 ms in ~6.8 s").arg(seen.ticks)));
    QVERIFY2(cpuShare < 0.25, qPrintable(QStringLiteral("CPU %1 of the wall time").arg(cpuShare)));
    QVERIFY(!form->findChild<QLabel*>("step")->isVisible());
  }

  // "Annuler" at the third output: that line goes through, nothing after it.
  void stopAfterTheLineInProgress_data() {
    QTest::addColumn<bool>("upload");
    QTest::newRow("upload") << true;
    QTest::newRow("download") << false;
  }

  void stopAfterTheLineInProgress() {
    QFETCH(bool, upload);
    Program stored;
    testing_support::makeExample(stored);
    stored.construireImages();
    const ProgramImages before = BoardEmulator().images;
    startBoard({}, upload ? nullptr : &stored.images);
    if (upload) testing_support::makeExample(form->program());
    form->pages().showAll();
    const ProgramImages pagesBefore = [&] {
      form->program().construireImages();
      return form->program().images;
    }();
    const bool modified = form->document().ProgramModified;
    if (!upload && modified) dialogs->answers = {true};
    const Seen seen = watchTransfer(upload ? "Enregistrerdanslacarte1" : "Chargerdepuislacarte1", "(3/11)");
    QCOMPARE(seen.steps.size(), 3);
    QVERIFY(seen.steps.back().contains("SL3 (3/11)"));
    stopBoard();
    QCOMPARE(board->linesHandled(), 3);
    if (upload) {
      QCOMPARE(dialogs->shown.back(), std::string(msg::kUploadInterrupted) + "\r\r" + msg::boardHoldsAfterStop(3));
      for (int p = 1; p <= kPageCount; ++p) QCOMPARE(board->images[p], p <= 3 ? pagesBefore[p] : before[p]);
    } else {
      QVERIFY2(dialogs->shown.size() == (modified ? 1u : 0u), "nothing is said but the question");
      form->program().construireImages();
      QCOMPARE(form->program().images, pagesBefore);
      QCOMPARE(form->document().ProgramModified, modified);
    }
    QCOMPARE(cursor.busy, cursor.normal);
    QVERIFY(action("Chargerunfichierprog1")->isEnabled());
  }

  // The board read into a scratch copy and compared, field by field; the
  // pages untouched.
  void verifyShowsWhatDiffers() {
    Program stored;
    testing_support::makeExample(stored);
    stored.document.setNumberText(FieldId::threshold(1, 2), "375");
    stored.construireImages();
    startBoard({}, &stored.images);
    testing_support::makeExample(form->program());
    form->pages().showAll();
    form->document().ProgramModified = true;
    const Seen seen = watchTransfer("Verifierlacarte1");
    QCOMPARE(seen.steps.front(), QStringLiteral("Lecture de SL1 (1/11)…"));
    QCOMPARE(dialogs->shown, std::vector<std::string>{std::string(msg::kBoardHoldsAnother) +
                                                      "\r\rSL1 : seuil EA2 — carte > 375 mV, éditeur > 250 mV"});
    QCOMPARE(form->findChild<QLineEdit*>("edit01_02")->text(), QStringLiteral("250"));
    QVERIFY(form->document().ProgramModified);
    dialogs->shown.clear();
    form->findChild<QLineEdit*>("edit01_02")->setText("375");
    form->document().setNumberText(FieldId::threshold(1, 2), "375");
    action("Verifierlacarte1")->trigger();
    QCOMPARE(dialogs->shown, std::vector<std::string>{std::string(msg::kBoardHoldsTheProgram)});
  }

  // The adapters present, below COM1-COM4, read each time the menu opens;
  // one chosen works as a COM entry and is the port of the next session.
  void namedPortsAreListedChosenAndKept() {
    testing_support::TempDir root;
    const std::string usb = "sys/devices/pci0000:00/usb1/1-1";
    std::filesystem::create_directories(root / (usb + "/1-1:1.0/ttyUSB0"));
    std::filesystem::create_directories(root / "sys/class/tty/ttyUSB0");
    std::filesystem::create_directory_symlink("../../../devices/pci0000:00/usb1/1-1/1-1:1.0/ttyUSB0",
                                              root / "sys/class/tty/ttyUSB0/device");
    for (const auto& [name, value] : {std::pair{"idVendor", "0403"}, {"idProduct", "6001"}, {"manufacturer", "FTDI"},
                                      {"product", "FT232R USB UART"}})
      std::ofstream(root / (usb + "/" + name)) << value << "\n";
    // The stable name is the one opened: no device of this machine is touched.
    const std::string byId = "/dev/serial/by-id/usb-FTDI_VELKOR_TEST_NO_SUCH_ADAPTER-if00-port0";
    std::filesystem::create_directories(root / "dev/serial/by-id");
    std::filesystem::create_symlink("../../ttyUSB0", root / byId.substr(1));
    qputenv("VELKOR_SYSFS_ROOT", QByteArray::fromStdString(root.path().string()));
    auto* menu = form->findChild<QMenu*>("PortCOM1");
    auto entries = [&] {
      QStringList texts;
      Q_EMIT menu->aboutToShow();
      for (QAction* a : menu->actions()) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
      return texts;
    };
    QStringList com;
    for (int n = 1; n <= 4; ++n)
      com << QStringLiteral("COM&%1 — ").arg(n) + QString::fromStdString(testing_support::testPortPath(n));
    QCOMPARE(entries(), (com + QStringList{"-", "FTDI FT232R USB UART — /dev/ttyUSB0"}));
    // Plugged in while the editor runs.
    std::filesystem::create_directories(root / "sys/class/tty/ttyACM0");
    std::filesystem::create_directory_symlink("../../../devices/pci0000:00/usb1/1-1/1-1:1.0",
                                              root / "sys/class/tty/ttyACM0/device");
    QCOMPARE(entries().size(), 7);
    QAction* ftdi = menu->actions().back();
    QCOMPARE(ftdi->text(), QStringLiteral("FTDI FT232R USB UART — /dev/ttyUSB0"));
    ftdi->trigger();
    QCOMPARE(dialogs->shown, std::vector<std::string>{msg::portUnavailable(byId, "fichier ou périphérique introuvable")});
    // It did not open: not taken, not kept.
    QCOMPARE(form->DeviceName(), std::string("COM1"));
    QVERIFY(action("COM11")->isChecked());
    QVERIFY(!ftdi->isChecked());
    QVERIFY(!QSettings(QSettings::IniFormat, QSettings::UserScope, "velkor", "velkor").contains("portSerie"));

    // The next session after one where it opened: COM1 until the port is
    // first needed, then the FTDI.
    QSettings(QSettings::IniFormat, QSettings::UserScope, "velkor", "velkor").setValue("portSerie", QString::fromStdString(byId));
    form.reset();
    form = std::make_unique<TForm1>(*dialogs, cursor);
    QCOMPARE(form->DeviceName(), std::string("COM1"));
    menu = form->findChild<QMenu*>("PortCOM1");
    entries();
    QCOMPARE(form->DeviceName(), byId);
    QVERIFY(menu->actions().back()->isChecked());
    // Unplugged: still shown, checked, by its device.
    std::filesystem::remove_all(root / "sys/class/tty/ttyUSB0");
    QCOMPARE(entries().back(), QString::fromStdString(byId));
    QVERIFY(menu->actions().back()->isChecked());
    // A COM entry chosen, which opens: the next session starts on COM1.
    startBoard();
    action("COM11")->trigger();
    QCOMPARE(form->DeviceName(), std::string("COM1"));
    form.reset();
    form = std::make_unique<TForm1>(*dialogs, cursor);
    form->findChild<QMenu*>("PortCOM1")->aboutToShow();
    QCOMPARE(form->DeviceName(), std::string("COM1"));
    QVERIFY(action("COM11")->isChecked());
    qunsetenv("VELKOR_SYSFS_ROOT");
  }

  void portEntriesCheckThePorts() {
    // COM1 missing: COM3 checks it first, then COM3 itself, missing too,
    // which is not taken.
    action("COM31")->trigger();
    QCOMPARE(dialogs->shown,
             (std::vector<std::string>{
                 msg::portUnavailable("COM1 (" + testing_support::testPortPath(1) + ")", "fichier ou périphérique introuvable"),
                 msg::portUnavailable("COM3 (" + testing_support::testPortPath(3) + ")", "fichier ou périphérique introuvable")}));
    QCOMPARE(form->DeviceName(), std::string("COM1"));
    QVERIFY(!action("COM31")->isChecked());
    dialogs->shown.clear();
    startBoard();  // on COM1, which it leaves for COM3
    qputenv("VELKOR_COM3", qgetenv("VELKOR_COM1"));
    qputenv("VELKOR_COM1", QByteArray::fromStdString(testing_support::testPortPath(1)));
    action("COM31")->trigger();
    QCOMPARE(dialogs->shown.size(), std::size_t(1));  // COM1, still missing; COM3 opens
    QCOMPARE(form->DeviceName(), std::string("COM3"));
    QVERIFY(action("COM31")->isChecked());
    QVERIFY(!form->boardTransfer().busy());
  }
};

QTEST_MAIN(BoardCommandsTest)
#include "board_commands_test.moc"
