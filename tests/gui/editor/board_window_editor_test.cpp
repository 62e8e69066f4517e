// "Simulation de la carte" beside the editor: opened from its menu, it
// follows every change of the program on the pages.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QtTest>

#include "gui/editor/help_window.h"
#include "gui/editor/tform1.h"
#include "gui/simulation/board_window.h"
#include "gui/simulation/lamp.h"
#include "support/fake_dialogs.h"
#include "support/test_ports.h"

using namespace velkor;
using testing_support::FakeDialogs;

class BoardWindowEditorTest : public QObject {
  Q_OBJECT

  FakeDialogs dialogs;
  NoCursor cursor;

  template <typename W>
  static W* child(QObject* parent, const char* name) {
    W* w = parent->findChild<W*>(QString::fromLatin1(name));
    if (!w) qFatal("no %s", name);
    return w;
  }

 private Q_SLOTS:
  void initTestCase() {
    testing_support::pointComNamesAway();
  }

  void editsUndoTypingAndNouveauAreFollowedAtOnce() {
    TForm1 form(dialogs, cursor);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QVERIFY(!form.windows().board());  // made when first asked for
    child<QAction>(&form, "Simulationdelacarte1")->trigger();
    BoardWindow* board = form.windows().board();
    QVERIFY(board && board->isVisible());
    QCOMPARE(board->windowTitle(), QString("Simulation de la carte"));

    board->el[0]->setChecked(true);  // SL1 and SA1 are "EL1=1" in a new program
    QVERIFY(board->sl[0]->isLit());

    auto* slot = child<QComboBox>(&form, "choix01_01");
    const int el2 = slot->findText("EL2=1");
    slot->setCurrentIndex(el2);
    Q_EMIT slot->activated(el2);
    QVERIFY(!board->sl[0]->isLit());
    child<QAction>(&form, "Annuler1")->trigger();
    QVERIFY(board->sl[0]->isLit());
    child<QAction>(&form, "Retablir1")->trigger();
    QVERIFY(!board->sl[0]->isLit());

    // A voltage counts as it is typed, before its field is left.
    form.pages().tabs()->setCurrentIndex(7);
    auto* voltage = child<QLineEdit>(&form, "tension1");
    voltage->setFocus();
    voltage->selectAll();
    QTest::keyClicks(voltage, "2500");
    QCOMPARE(board->sa[0]->text(), QString("2500 mV"));

    dialogs.answers = {true};  // lose the changes
    child<QAction>(&form, "Nouveau1")->trigger();
    QVERIFY(board->sl[0]->isLit());
    QCOMPARE(board->sa[0]->text(), QString("0 mV"));
    QVERIFY(board->el[0]->isChecked());  // the inputs are the user's, not the program's
    form.document().ProgramModified = false;
  }

  // Quitting asks about the program first and about the recording last, so
  // that "Annuler" at either question loses neither.
  void quittingWhileRecordingAsksAboutTheRecordingToo_data() {
    QTest::addColumn<bool>("closeBox");  // the window's close box, else "Quitter"
    QTest::addColumn<bool>("modified");
    QTest::addColumn<bool>("loseChanges");  // the answer to the program's question
    QTest::addColumn<SaveChoice>("recording");
    QTest::addColumn<bool>("quits");
    QTest::newRow("Quitter, Annuler") << false << true << true << SaveChoice::GoBack << false;
    QTest::newRow("close box, Annuler") << true << true << true << SaveChoice::GoBack << false;
    QTest::newRow("Quitter, Ne pas enregistrer") << false << false << true << SaveChoice::Drop << true;
    QTest::newRow("the program kept: not asked") << true << true << false << SaveChoice::Drop << false;
  }

  void quittingWhileRecordingAsksAboutTheRecordingToo() {
    QFETCH(bool, closeBox);
    QFETCH(bool, modified);
    QFETCH(bool, loseChanges);
    QFETCH(SaveChoice, recording);
    QFETCH(bool, quits);
    TForm1 form(dialogs, cursor);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_F5);
    BoardWindow* board = form.windows().board();
    QVERIFY(board && board->isVisible());
    board->recordAction->trigger();
    dialogs.saveFirst = recording;
    dialogs.saveFirstQuestions = 0;
    form.document().ProgramModified = modified;
    dialogs.answers = {loseChanges};
    if (!modified) dialogs.answers.clear();
    if (closeBox) form.close();
    else child<QAction>(&form, "Quitter1")->trigger();

    const int asked = dialogs.saveFirstQuestions;
    QCOMPARE(asked, loseChanges ? 1 : 0);
    QCOMPARE(form.isVisible(), !quits);
    QCOMPARE(board->recording(), !quits && !(loseChanges && recording == SaveChoice::Drop));
    if (!quits) QCOMPARE(form.document().ProgramModified, modified);
    board->stopRecording();
    form.document().ProgramModified = false;
  }

  void f5AndF1BringBackTheirMinimisedWindow_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("F5, Simulation de la carte") << int(Qt::Key_F5);
    QTest::newRow("F1, Aide") << int(Qt::Key_F1);
  }

  void f5AndF1BringBackTheirMinimisedWindow() {
    QFETCH(int, key);
    TForm1 form(dialogs, cursor);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key(key));
    QWidget* window = key == Qt::Key_F5 ? static_cast<QWidget*>(form.windows().board()) : form.windows().help();
    QVERIFY(window && window->isVisible());
    window->showMinimized();
    QVERIFY(window->isMinimized());
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key(key));
    QVERIFY(window->isVisible() && !window->isMinimized());
  }
};

QTEST_MAIN(BoardWindowEditorTest)
#include "board_window_editor_test.moc"
