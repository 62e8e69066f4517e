// The editor window driven by real widget events, with answered dialogs.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "gui/editor/tabout1.h"
#include "gui/editor/tform1.h"
#include "gui/simulation/analog_window.h"
#include "gui/simulation/logic_window.h"
#include "image/messages.h"
#include "image/program_file.h"
#include "support/editor_on_screen.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"
#include "support/test_ports.h"

using namespace velkor;
using testing_support::FakeDialogs;

class EditorWindowTest : public QObject {
  Q_OBJECT

  testing_support::TempDir settings;
  std::unique_ptr<FakeDialogs> dialogs;
  NoCursor cursor;
  std::unique_ptr<TForm1> form;

  template <typename W>
  W* field(const char* name) {
    W* w = form->findChild<W*>(QString::fromLatin1(name));
    if (!w) qFatal("no field %s", name);
    return w;
  }
  QComboBox* slot(const char* name) { return field<QComboBox>(name); }
  QPushButton* button(const char* name) { return field<QPushButton>(name); }
  QLineEdit* edit(const char* name) { return field<QLineEdit>(name); }
  bool modified() { return form->document().ProgramModified; }

  // Where the focus is, by field name.
  QString focusName() { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(); }

  void focus(QWidget* w) {
    w->setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), w);
  }

  QColor base(QLineEdit* e) { return e->palette().color(QPalette::Base); }

 private Q_SLOTS:
  void initTestCase() {
    testing_support::keepToScratch(settings);
  }

  void init() { QVERIFY(testing_support::showEditor(form, dialogs, cursor)); }

  void cleanup() {
    testing_support::dropEditor(form);
    QVERIFY2(dialogs->answers.empty(), "every prepared answer was used");
  }

  void startsCentredWithFocusInFirstSlot() {
    QCOMPARE(form->windowTitle(), QStringLiteral("VELKOR"));
    QCOMPARE(form->centralWidget()->size(), QSize(387, 400));
    QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(form->pos().x(), (screen.width() - form->width()) / 2);
    QCOMPARE(focusName(), QStringLiteral("choix01_01"));
    QCOMPARE(slot("choix01_01")->lineEdit()->selectedText(), QStringLiteral("EL1=1"));
    QCOMPARE(form->pages().tabs()->count(), 11);
    QCOMPARE(form->pages().tabs()->tabText(7), QStringLiteral("SA1"));
    QCOMPARE(slot("choix10_01")->currentText(), QStringLiteral("EL3=1"));
    QVERIFY(!modified());
    for (const char* name : {"choix03_07", "ou08_06", "supinf07_04", "edit07_04", "pause11", "tension4", "zero4",
                             "simu8"})
      QVERIFY2(form->findChild<QWidget*>(QString::fromLatin1(name)), name);
  }

  // Only SL1 is built before the window is up; a page built later shows the
  // program as it then stands, however it was reached.
  void pagesBuiltLaterShowTheProgram() {
    TForm1 late(*dialogs, cursor);
    QVERIFY(!late.findChild<QWidget*>("pause5"));
    late.document().ou01_01Click(FieldId::link(5, 1));
    late.document().setNumberText(FieldId::pause(9), "1234");
    late.show();  // and not yet activated
    late.pages().tabs()->setCurrentIndex(4);
    QPushButton* link = late.findChild<QPushButton*>("ou05_01");
    QVERIFY(link && link->isVisible());
    QCOMPARE(link->text(), QStringLiteral("OU"));
    QCOMPARE(qobject_cast<QLineEdit*>(late.pages().fieldWidget(FieldId::pause(9)))->text(), QStringLiteral("1234"));
  }

  void linkCycleMovesFocusAndThresholds() {
    QLineEdit* threshold = edit("edit01_01");
    const QColor window = base(threshold);
    QTest::mouseClick(button("ou01_01"), Qt::LeftButton);
    QCOMPARE(button("ou01_01")->text(), QStringLiteral("OU"));
    QVERIFY(slot("choix01_02")->isEnabled());
    QCOMPARE(slot("choix01_02")->currentText(), QStringLiteral("EA1"));
    QVERIFY(button("ou01_02")->isEnabled());
    QCOMPARE(focusName(), QStringLiteral("choix01_02"));
    QVERIFY(threshold->isEnabled());
    QCOMPARE(base(threshold), QColor(255, 255, 0));
    QVERIFY(modified());

    QTest::mouseClick(button("ou01_01"), Qt::LeftButton);
    QCOMPARE(button("ou01_01")->text(), QStringLiteral("ET"));
    QCOMPARE(slot("choix01_02")->currentText(), QStringLiteral("EA1"));
    QTest::mouseClick(button("ou01_01"), Qt::LeftButton);
    QCOMPARE(button("ou01_01")->text(), QStringLiteral("-"));
    QVERIFY(!slot("choix01_02")->isEnabled());
    QCOMPARE(slot("choix01_02")->currentText(), QString());
    QVERIFY(!button("ou01_02")->isEnabled());
    QVERIFY(!threshold->isEnabled());
    QCOMPARE(base(threshold), window);
  }

  void typedCharactersVanishFromSlotsButArrowsPick() {
    QComboBox* first = slot("choix01_01");
    QTest::keyClicks(first, "EA");
    QTest::keyClick(first, Qt::Key_Backspace);
    QCOMPARE(first->currentText(), QStringLiteral("EL1=1"));
    QVERIFY(!modified());
    const QString next = first->itemText(first->currentIndex() + 1);
    QTest::keyClick(first, Qt::Key_Down);
    QCOMPARE(first->currentText(), next);
    QVERIFY(modified());
  }

  void numericFieldsFilterKeysAndNormaliseOnLeaving() {
    QTest::mouseClick(button("ou02_01"), Qt::LeftButton);  // opens EA1 and its threshold on SL2
    QLineEdit* value = edit("edit02_01");
    focus(value);
    value->selectAll();
    form->document().ProgramModified = false;
    QTest::keyClicks(value, "a -");
    QCOMPARE(value->text(), QStringLiteral("0"));
    QVERIFY(!modified());
    QTest::keyClick(value, Qt::Key_Backspace);
    QTest::keyClicks(value, "0070");
    QVERIFY(modified());
    QCOMPARE(value->text(), QStringLiteral("0070"));
    QTest::keyClicks(value, "9");  // the field is full
    QCOMPARE(value->text(), QStringLiteral("0070"));
    focus(edit("pause2"));
    QCOMPARE(value->text(), QStringLiteral("70"));
    QCOMPARE(form->document().page(2).threshold(1).value, std::string("70"));

    QLineEdit* pause = edit("pause2");
    pause->selectAll();
    QTest::keyClicks(pause, "70000");
    focus(value);
    QCOMPARE(pause->text(), QStringLiteral("65000"));
  }

  void pastedLettersAreRefused() {
    QLineEdit* pause = edit("pause1");
    focus(pause);
    pause->selectAll();
    QApplication::clipboard()->setText(QStringLiteral("12a"));
    QTest::keyClick(pause, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(pause->text(), QStringLiteral("0"));
    QCOMPARE(form->document().page(1).pause, std::string("0"));
    QApplication::clipboard()->setText(QStringLiteral("123"));
    QTest::keyClick(pause, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(form->document().page(1).pause, std::string("123"));
  }

  void comparatorToggleMovesFocusToItsValue() {
    QTest::mouseClick(button("ou03_01"), Qt::LeftButton);
    QPushButton* comparator = button("supinf03_01");
    QTest::mouseClick(comparator, Qt::LeftButton);  // beside 0: stays
    QCOMPARE(comparator->text(), QStringLiteral(">"));
    QCOMPARE(focusName(), QStringLiteral("edit03_01"));
    edit("edit03_01")->selectAll();
    QTest::keyClicks(edit("edit03_01"), "25");
    QTest::mouseClick(comparator, Qt::LeftButton);
    QCOMPARE(comparator->text(), QStringLiteral("<"));
    edit("edit03_01")->selectAll();
    QTest::keyClicks(edit("edit03_01"), "0");
    focus(edit("pause3"));
    QCOMPARE(comparator->text(), QStringLiteral(">"));
  }

  void pageChangeMovesFocusToTheFirstField() {
    QCOMPARE(focusName(), QStringLiteral("choix01_01"));
    form->pages().tabs()->setCurrentIndex(1);
    QCOMPARE(focusName(), QStringLiteral("choix02_01"));
    QCOMPARE(form->document().activePage, 2);
    form->pages().tabs()->setCurrentIndex(8);
    QCOMPARE(focusName(), QStringLiteral("tension2"));
    // Not back to the field last used on the page: to its first field.
    focus(edit("pause9"));
    form->pages().tabs()->setCurrentIndex(0);
    form->pages().tabs()->setCurrentIndex(8);
    QCOMPARE(focusName(), QStringLiteral("tension2"));
  }

  void openingFichiersLeavesTheFieldFirst_data() {
    QTest::addColumn<int>("page");
    QTest::newRow("SL1") << 0;
    QTest::newRow("SA4") << 10;
  }

  void openingFichiersLeavesTheFieldFirst() {
    QFETCH(int, page);
    form->pages().tabs()->setCurrentIndex(page);
    QLineEdit* pause = edit(page == 0 ? "pause1" : "pause11");
    focus(pause);
    pause->selectAll();
    QTest::keyClicks(pause, "070");
    // Open the real menu, as the user does.
    QMenuBar* bar = form->menuBar();
    QMenu* fichiers = form->findChild<QMenu*>("Fichiers1");
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(fichiers->menuAction()).center());
    QTRY_VERIFY(fichiers->isVisible());
    QCOMPARE(pause->text(), QStringLiteral("70"));
    fichiers->close();
    QCOMPARE(form->pages().tabs()->currentIndex(), page);
    QCOMPARE(focusName(), page == 0 ? QStringLiteral("choix01_01") : QStringLiteral("tension4"));
  }

  void quitAsksOnlyAfterAChange() {
    QSignalSpy destroyed(form.get(), &QObject::destroyed);
    QVERIFY(form->close());  // defaults: no question
    QVERIFY(dialogs->shown.empty());
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));

    QTest::mouseClick(button("ou05_02"), Qt::LeftButton);  // disabled: nothing happens
    QVERIFY(!modified());
    QTest::mouseClick(button("ou05_01"), Qt::LeftButton);
    QVERIFY(modified());
    dialogs->answers = {false};
    form->Quitter1Click();
    QVERIFY(form->isVisible());
    QCOMPARE(dialogs->shown.back(),
             std::string("Attention...|Vous allez perdre les modifications. Quitter quand même ?"));
    QCOMPARE(dialogs->beeps, 1);
    dialogs->answers = {false};
    QVERIFY(!form->close());  // the close box asks the same
    dialogs->answers = {true};
    form->Quitter1Click();
    QVERIFY(!form->isVisible());
    QVERIFY(!modified());
  }

  void holdBoxSetsTheFlag() {
    form->pages().tabs()->setCurrentIndex(9);
    QTest::mouseClick(field<QCheckBox>("zero3"), Qt::LeftButton);
    QVERIFY(field<QCheckBox>("zero3")->isChecked());
    QVERIFY(form->document().page(10).hold);
    QVERIFY(modified());
  }

  void saveAndReopenGiveTheSamePages() {
    testing_support::TempDir dir;
    QTest::mouseClick(button("ou04_01"), Qt::LeftButton);
    QTest::mouseClick(button("ou04_01"), Qt::LeftButton);
    edit("edit04_01")->selectAll();
    QTest::keyClicks(edit("edit04_01"), "1234");
    form->pages().tabs()->setCurrentIndex(3);
    focus(edit("pause4"));
    dialogs->saveChoice = dir / "prog";
    form->Sauvegarder1Click();
    QVERIFY(!modified());
    QCOMPARE(testing_support::readBytes(dir / "prog").size(), std::size_t(436));
    QCOMPARE(focusName(), QStringLiteral("pause4"));

    // Overwriting is asked; "Non" keeps the file as it was.
    QTest::mouseClick(button("ou04_01"), Qt::LeftButton);  // ET -> -
    dialogs->answers = {false};
    form->Sauvegarder1Click();
    QCOMPARE(dialogs->shown.back(), std::string("Confirmation|Voulez-vous écraser le fichier prog existant?"));
    QVERIFY(modified());

    dialogs->answers = {true};  // lose the changes
    dialogs->openChoice = dir / "prog";
    form->Chargerunfichierprog1Click();
    QCOMPARE(button("ou04_01")->text(), QStringLiteral("ET"));
    QCOMPARE(slot("choix04_02")->currentText(), QStringLiteral("EA1"));
    QCOMPARE(edit("edit04_01")->text(), QStringLiteral("1234"));
    QVERIFY(edit("edit04_01")->isEnabled());
    QVERIFY(button("ou04_02")->isEnabled());  // the chain can be extended
    QVERIFY(!modified());
    QCOMPARE(form->pages().tabs()->currentIndex(), 0);
    QCOMPARE(focusName(), QStringLiteral("choix01_01"));
  }

  void damagedFileIsRefusedWithPagesReset() {
    testing_support::TempDir dir;
    testing_support::writeBytes(dir / "bad", "not a program\r\n");
    QTest::mouseClick(button("ou06_01"), Qt::LeftButton);
    dialogs->answers = {true};
    dialogs->openChoice = dir / "bad";
    form->Chargerunfichierprog1Click();
    QCOMPARE(dialogs->shown.back(), std::string("Ce fichier ne convient pas à cette application\r\rbad"));
    QCOMPARE(button("ou06_01")->text(), QStringLiteral("-"));
    QVERIFY(!slot("choix06_02")->isEnabled());
    QVERIFY(!modified());
  }

  void damagedFileOpensAsFarAsItGoesAndSaysWhatWasLeftOut_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("position");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("told");
    QTest::newRow("code") << 2 << 1 << QByteArray("\x0c") << "SL2 : condition 1 illisible, la chaîne est vide";
    QTest::newRow("link") << 2 << 2 << QByteArray("x") << "SL2 : lien 1 illisible, la chaîne s'arrête à la condition 1";
    QTest::newRow("comparator") << 3 << 22 << QByteArray("u") << "SL3 : comparateur de EA1 illisible, remplacé par >";
    QTest::newRow("digit") << 8 << 14 << QByteArray("A") << "SA1 : tension illisible, remplacée par 0";
    QTest::newRow("hold") << 11 << 23 << QByteArray("X") << "SA4 : maintien illisible, tension non maintenue";
  }

  void damagedFileOpensAsFarAsItGoesAndSaysWhatWasLeftOut() {
    QFETCH(int, page);
    QFETCH(int, position);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, told);
    testing_support::TempDir dir;
    Program sound;
    sound.initialiserPages();
    sound.construireImages();
    sound.images[page].replace(static_cast<std::size_t>(position - 1), static_cast<std::size_t>(bytes.size()),
                               bytes.toStdString());
    testing_support::writeBytes(dir / "prog", serializeProgramFile(sound.images));
    dialogs->openChoice = dir / "prog";
    const int beeps = dialogs->beeps;
    form->Chargerunfichierprog1Click();
    QCOMPARE(dialogs->shown.back(), msg::damagedFile("prog", {told.toStdString()}));
    QCOMPARE(dialogs->beeps, beeps + 1);
    // Opened as far as it goes: the other outputs as saved, the damaged one cut where told.
    QCOMPARE(slot("choix01_01")->currentText(), QStringLiteral("EL1=1"));
    QCOMPARE(slot("choix02_01")->currentText(), page == 2 && position == 1 ? QString() : QStringLiteral("EL2=1"));
    QVERIFY(!modified());
    QCOMPARE(focusName(), QStringLiteral("choix01_01"));
  }

  // The check mark is the port in use, which each entry names by its device
  // here; a port that does not open (COM3 is missing) is not taken.
  void portEntriesShowTheirDeviceAndKeepTheOneInUse() {
    auto* com1 = form->findChild<QAction*>("COM11");
    auto* com3 = form->findChild<QAction*>("COM31");
    QVERIFY(com1->isChecked());
    QCOMPARE(form->DeviceName(), std::string("COM1"));
#ifdef _WIN32
    QCOMPARE(com3->text(), QStringLiteral("COM&3"));
#else
    QCOMPARE(com3->text(), QStringLiteral("COM&3 — ") + QString::fromStdString(testing_support::testPortPath(3)));
#endif
    com3->trigger();
    QCOMPARE(dialogs->shown.size(), std::size_t(2));  // COM1 checked first, then COM3
    QVERIFY(!com3->isChecked());
    QVERIFY(com1->isChecked());
    QCOMPARE(form->DeviceName(), std::string("COM1"));
  }

  void simulerOpensTheWindowOfTheActivePage() {
    auto activePage = [this] { return form->document().activePage - 1; };
    TForm2 logic(form->program().images, activePage, form.get());
    TForm3 analog(form->program().images, activePage, form.get());
    form->windows().setSimulation({{}, [&] { logic.exec(); }, [&] { analog.exec(); }});

    // SL3: EL3=1 OU EA1 (above 0 mV).
    QTest::mouseClick(button("ou03_01"), Qt::LeftButton);
    form->pages().tabs()->setCurrentIndex(2);
    QString shownNumber, shownState;
    bool ea1Usable = false, el1Usable = true;
    QTimer::singleShot(100, [&] {
      shownNumber = logic.numero->text();
      ea1Usable = logic.ea[0]->isEnabled();
      el1Usable = logic.el[0]->isEnabled();
      QTest::mouseClick(logic.el[2], Qt::LeftButton);
    });
    // The run shows the new state once this handler has returned to it.
    QTimer::singleShot(300, [&] {
      shownState = logic.Label9->text();
      QTest::mouseClick(logic.Button1, Qt::LeftButton);
    });
    QTest::mouseClick(button("simu3"), Qt::LeftButton);  // returns when the window closes
    QCOMPARE(shownNumber, QStringLiteral("3"));
    QVERIFY(ea1Usable);
    QVERIFY(!el1Usable);
    QCOMPARE(shownState, QStringLiteral("active"));
    QCOMPARE(button("ou03_01")->text(), QStringLiteral("OU"));  // back to the pages as they were

    form->pages().tabs()->setCurrentIndex(9);
    QString voltage;
    QTimer::singleShot(100, [&] {
      voltage = analog.numero->text();
      QTest::mouseClick(analog.Button1, Qt::LeftButton);
    });
    QTest::mouseClick(button("simu10"), Qt::LeftButton);
    QCOMPARE(voltage, QStringLiteral("3"));
  }

  void aboutBoxClosesOnKeysButNotOnTheContactLine() {
    TAbout1 about(form.get());
    form->windows().setAbout(&about);
    QTimer::singleShot(50, [&] {
      QTest::mouseClick(about.contactLine(), Qt::LeftButton);
      QVERIFY(about.isVisible());
      QCOMPARE(about.creditLine()->text(), QStringLiteral("Velkor SA"));
      QTest::keyClick(&about, Qt::Key_X);
    });
    form->Apropos1Click();  // returns once the box has closed
    QVERIFY(!about.isVisible());
    QVERIFY(about.windowFlags() & Qt::FramelessWindowHint);
  }
};

QTEST_MAIN(EditorWindowTest)
#include "editor_window_test.moc"
