#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "gui/simulation/analog_window.h"
#include "gui/simulation/logic_window.h"
#include "simulation/images.h"
#include "window_script.h"

using namespace velkor;
using simulation_test::analogImage;
using simulation_test::logicImage;
using simulation_test::runSteps;

namespace {

void tick(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); }

// Replaces the whole text of a spin field by typing, as a user does.
void type(InputSpinBox* spin, const QString& text) {
  QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
  if (text.isEmpty()) QTest::keyClick(spin, Qt::Key_Backspace);
  else QTest::keyClicks(spin, text);
}

QString shownState(const TForm2& w) {
  return w.Label9->text() + (textColor(w.Label9) == QColor(0, 128, 0) ? " green" : "") +
         (textColor(w.Label9) == QColor(255, 0, 0) ? " red" : "") +
         (w.Shape1->penColor() == QColor(255, 255, 0) ? " yellow" : "") +
         (w.Shape1->penColor() == QColor(0, 0, 0) ? " black" : "");
}

// "el: 2 5  ea: 3=150" for the enabled inputs, to compare a whole start at once.
QString enabledInputs(const TForm2& w) {
  QString s = "el:";
  for (int k = 0; k < 7; ++k)
    if (w.el[k]->isEnabled()) s += QString(" %1").arg(k + 1);
  s += " ea:";
  for (int k = 0; k < 4; ++k)
    if (w.ea[k]->isEnabled()) s += QString(" %1=%2").arg(k + 1).arg(w.ea[k]->typedText());
  return s;
}

}  // namespace

class SimulationWindowsTest : public QObject {
  Q_OBJECT

 private:
  ProgramImages images;
  int activePage = 0;
  std::function<int()> pageIndex = [this] { return activePage; };

 private slots:
  void startEnablesOnlyWhatTheChainUsesAndReopeningResets() {
    // EL2 ET EA3, then an empty slot whose link is not "R" and EL5 behind it.
    images[3] = logicImage("\x02" "E\x0a" "O?O\x05", "U0000U0000U0150U0000");
    activePage = 2;
    TForm2 w(images, pageIndex);
    QVERIFY(runSteps(w, w.Button1,
                     {[&] {
                        QCOMPARE(enabledInputs(w), QString("el: 2 ea: 3=150"));
                        QCOMPARE(w.ea[0]->typedText(), QString("0"));
                        QCOMPARE(w.numero->text(), QString("3"));
                        tick(w.el[1]);
                        type(w.ea[2], "151");
                      },
                      [&] { QCOMPARE(shownState(w), QString("active green yellow")); }}));
    QVERIFY(!w.isVisible());
    QVERIFY(w.stopRequested());
    QVERIFY(runSteps(w, w.Button1,
                     {[&] {
                       QVERIFY(!w.el[1]->isChecked());
                       QCOMPARE(enabledInputs(w), QString("el: 2 ea: 3=150"));
                       QCOMPARE(shownState(w), QString("inactive red black"));
                     }}));
  }

  void emptyChainKeepsEverythingDisabled() {
    images[1] = logicImage("?");
    activePage = 0;
    TForm2 w(images, pageIndex);
    QVERIFY(runSteps(w, w.Button1, {[&] {
                       QCOMPARE(enabledInputs(w), QString("el: ea:"));
                       QCOMPARE(shownState(w), QString("inactive red black"));
                     }}));
  }

  void orThenAndFoldsLeftToRight() {
    images[1] = logicImage("\x01O\x02" "E\x03");
    activePage = 0;
    TForm2 w(images, pageIndex);
    QVERIFY(runSteps(w, w.Button1,
                     {[&] { tick(w.el[0]); },
                      [&] {
                        QCOMPARE(shownState(w), QString("inactive red black"));
                        tick(w.el[2]);
                      },
                      [&] {
                        QCOMPARE(shownState(w), QString("active green yellow"));
                        tick(w.el[0]);
                      },
                      [&] { QCOMPARE(shownState(w), QString("inactive red black")); }}));
  }

  void analogInputsCompareStrictly_data() {
    QTest::addColumn<QString>("thresholds");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("state");
    QTest::newRow("above, equal") << "U2000" << "2000" << "inactive";
    QTest::newRow("above, 2001") << "U2000" << "2001" << "active";
    QTest::newRow("above, 1999") << "U2000" << "1999" << "inactive";
    QTest::newRow("below, equal") << "D2000" << "2000" << "inactive";
    QTest::newRow("below, 1999") << "D2000" << "1999" << "active";
    QTest::newRow("below, 2001") << "D2000" << "2001" << "inactive";
    QTest::newRow("cleared counts as 0") << "D0001" << "" << "active";
    QTest::newRow("6000 counts as typed") << "D5200" << "6000" << "inactive";
  }

  void analogInputsCompareStrictly() {
    QFETCH(QString, thresholds);
    QFETCH(QString, typed);
    QFETCH(QString, state);
    images[5] = logicImage("\x08", thresholds.toStdString() + "U0000U0000U0000");
    activePage = 4;
    TForm2 w(images, pageIndex);
    QVERIFY(runSteps(w, w.Button1,
                     {[&] {
                        QCOMPARE(w.ea[0]->typedText(), QString::number(thresholds.mid(1).toInt()));
                        QCOMPARE(w.Label9->text(), QString("inactive"));
                        type(w.ea[0], typed);
                      },
                      [&] {
                        QCOMPARE(w.ea[0]->typedText(), typed.isEmpty() ? QString("0") : typed);
                        QCOMPARE(w.Label9->text(), state);
                      }}));
  }

  void typedValueIsClampedWhenTheFieldIsLeft() {
    images[1] = logicImage("\x08", "D5200U0000U0000U0000");
    activePage = 0;
    TForm2 w(images, pageIndex);
    QVERIFY(runSteps(w, w.Button1,
                     {[&] {
                        w.activateWindow();
                        w.ea[0]->setFocus();
                        type(w.ea[0], "6000");
                      },
                      [&] {
                        QCOMPARE(w.ea[0]->typedText(), QString("6000"));
                        QCOMPARE(w.Label9->text(), QString("inactive"));
                        QTest::keyClick(w.ea[0], Qt::Key_Tab);
                      },
                      [&] {
                        QCOMPARE(w.ea[0]->typedText(), QString("5100"));
                        QCOMPARE(w.Label9->text(), QString("active"));
                        QTest::keyClick(w.ea[0], Qt::Key_Up);
                      },
                      [&] { QCOMPARE(w.ea[0]->typedText(), QString("5100")); }}));
  }

  void fermerEndsTheRunWithoutAnotherUpdate() {
    images[1] = logicImage("\x01");
    activePage = 0;
    TForm2 w(images, pageIndex);
    long passesAtFermer = 0;
    QVERIFY(runSteps(w, w.Button1, {[&] {
                       tick(w.el[0]);
                       passesAtFermer = w.passCount();
                       QTest::mouseClick(w.Button1, Qt::LeftButton);
                     }}));
    QCOMPARE(w.passCount(), passesAtFermer);
    QCOMPARE(shownState(w), QString("inactive red black"));
    QVERIFY(w.el[0]->isChecked());
  }

  void escapeAndCloseRequestsDoNotEndTheRun() {
    images[1] = logicImage("\x01");
    activePage = 0;
    TForm2 w(images, pageIndex);
    QVERIFY(runSteps(w, w.Button1, {[&] {
                                      QTest::keyClick(&w, Qt::Key_Escape);
                                      w.close();
                                    },
                                    [&] {
                                      QVERIFY(w.isVisible());
                                      QVERIFY(w.running());
                                    }}));
  }

  void numeroFollowsTheLogicPage() {
    for (int page = 1; page <= 7; ++page) images[page] = logicImage(std::string(1, char(page)));
    TForm2 w(images, pageIndex);
    for (activePage = 0; activePage < 7; ++activePage)
      QVERIFY(runSteps(w, w.Button1, {[&] {
                         QCOMPARE(w.numero->text(), QString::number(activePage + 1));
                         QCOMPARE(enabledInputs(w), QString("el: %1 ea:").arg(activePage + 1));
                       }}));
  }

  void analogHold_data() {
    QTest::addColumn<char>("hold");
    QTest::addColumn<QString>("afterUntick");
    QTest::newRow("F follows the chain") << 'F' << "0      ";
    QTest::newRow("V holds the voltage") << 'V' << "2500   ";
  }

  void analogHold() {
    QFETCH(char, hold);
    QFETCH(QString, afterUntick);
    images[9] = analogImage("\x01", "2500", hold);
    activePage = 8;
    TForm3 w(images, pageIndex);
    QVERIFY(runSteps(w, w.Button1,
                     {[&] {
                        QCOMPARE(w.num->text(), QString("0      "));
                        QCOMPARE(w.numero->text(), QString("2"));
                        tick(w.el[0]);
                      },
                      [&] {
                        QCOMPARE(w.num->text(), QString("2500   "));
                        tick(w.el[0]);
                      },
                      [&] { QCOMPARE(w.num->text(), afterUntick); }}));
    // Reopening starts from "0      " with the inputs reset.
    QVERIFY(runSteps(w, w.Button1, {[&] {
                       QCOMPARE(w.num->text(), QString("0      "));
                       QVERIFY(!w.el[0]->isChecked());
                     }}));
  }

  void analogChainUsesOnlyItsLogicInputs() {
    // EL1 OU EL2 ET EL3; EA codes mean nothing here; EL6 stands behind an empty slot.
    images[11] = analogImage("\x01O\x02" "E\x03O\x08O?O\x06", "0250", 'F');
    activePage = 10;
    TForm3 w(images, pageIndex);
    QVERIFY(runSteps(w, w.Button1,
                     {[&] {
                        QCOMPARE(w.numero->text(), QString("4"));
                        for (int k = 0; k < 7; ++k) QCOMPARE(w.el[k]->isEnabled(), k < 3);
                        tick(w.el[0]);
                      },
                      [&] {
                        QCOMPARE(w.num->text(), QString("0      "));
                        tick(w.el[2]);
                      },
                      [&] {
                        QCOMPARE(w.num->text(), QString("250    "));
                        tick(w.el[2]);
                        QTest::mouseClick(w.Button1, Qt::LeftButton);
                      }}));
    QCOMPARE(w.num->text(), QString("250    "));  // no pass after "Fermer"
  }

  void analogNumeroFollowsThePage() {
    TForm3 w(images, pageIndex);
    for (activePage = 7; activePage < 11; ++activePage) {
      images[activePage + 1] = analogImage("?", "1000", 'V');
      QVERIFY(runSteps(w, w.Button1, {[&] {
                         QCOMPARE(w.numero->text(), QString::number(activePage - 6));
                         for (QCheckBox* box : w.el) QVERIFY(!box->isEnabled());
                         QCOMPARE(w.num->text(), QString("0      "));
                       }}));
    }
  }
};

QTEST_MAIN(SimulationWindowsTest)
#include "windows_test.moc"
