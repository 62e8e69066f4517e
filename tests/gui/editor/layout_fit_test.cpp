// Every window of the editor fits the desktop's font and DPI: all eleven tabs
// reachable, no text wider than its widget, no widget out of its parent or
// over a neighbour or a group's heading. Run on a real X server by
// layout_fit_test.sh, once per font and DPI; VELKOR_MIN_WIDTH is the width
// in screen pixels the main window must exceed there, VELKOR_EXACT_CLIENT
// asks for the designed 387x400, VELKOR_BESIDE for the board window beside
// the editor, both on the screen.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

#include "gui/editor/tabout1.h"
#include "gui/editor/tform1.h"
#include "gui/simulation/analog_window.h"
#include "gui/simulation/board_window.h"
#include "gui/simulation/logic_window.h"
#include "support/fake_dialogs.h"

using namespace velkor;

namespace {

QString where(const QWidget* w) {
  QString path = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
  for (const QWidget* p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget())
    if (!p->objectName().isEmpty()) return p->objectName() + "/" + path;
  return path;
}

// The text a widget shows in full, or nothing for widgets without one.
QString shownText(const QWidget* w) {
  if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
  if (auto* b = qobject_cast<const QAbstractButton*>(w))  // "&Pause" shows "Pause", "&&" one "&"
    return QString(b->text()).replace("&&", "\x01").remove('&').replace('\x01', '&');
  return {};
}

// What is wrong with the widgets under `top`, one line each. `neighbours`:
// also report widgets that overlap a sibling (the simulation windows put
// their labels on the rectangle by design).
QStringList misfits(const QWidget* top, bool neighbours) {
  QStringList found;
  QList<QWidget*> shown;
  for (QWidget* w : top->findChildren<QWidget*>())
    if (!w->isWindow() && w->isVisibleTo(top) && !w->parentWidget()->inherits("QStackedWidget") &&
        !w->parentWidget()->inherits("QComboBox") && !w->parentWidget()->inherits("QAbstractSpinBox"))
      shown << w;
  for (QWidget* w : shown) {
    const QRect inParent = w->parentWidget()->rect();
    if (!inParent.contains(w->geometry()))
      found << where(w) + QString(": outside its parent %1x%2").arg(inParent.width()).arg(inParent.height());
    const QString text = shownText(w);
    const QFontMetrics metrics = w->fontMetrics();
    if (!text.isEmpty()) {
      // Buttons have no room to spare around a one-letter caption; labels
      // and check boxes need their whole size hint (box and spacing included).
      const int needed = qobject_cast<QPushButton*>(w) ? metrics.horizontalAdvance(text) + 4 : w->sizeHint().width();
      if (needed > w->width())
        found << where(w) + QString(": \"%1\" needs %2 px, has %3").arg(text).arg(needed).arg(w->width());
      if (metrics.tightBoundingRect(text).height() > w->height())
        found << where(w) + QString(": \"%1\" is cut at top or bottom").arg(text);
    }
    if ((qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w)) && metrics.height() > w->height())
      found << where(w) + QString(": text %1 px high in %2 px").arg(metrics.height()).arg(w->height());
    if (auto* group = qobject_cast<QGroupBox*>(w->parentWidget()); group && w->y() < group->contentsRect().top())
      found << where(w) + QString(": over the heading of \"%1\" (top %2 < %3)")
                              .arg(group->title().trimmed())
                              .arg(w->y())
                              .arg(group->contentsRect().top());
    if (!neighbours) continue;
    for (QWidget* other : shown)
      if (other > w && other->parentWidget() == w->parentWidget() && w->geometry().intersects(other->geometry()))
        found << where(w) + " overlaps " + where(other);
  }
  return found;
}

}  // namespace

class LayoutFitTest : public QObject {
  Q_OBJECT

  testing_support::FakeDialogs dialogs;
  NoCursor cursor;
  ProgramImages images{};

  void expectFits(QWidget* window, bool neighbours = true) {
    const QStringList found = misfits(window, neighbours);
    QVERIFY2(found.isEmpty(), qPrintable(found.join("\n")));
  }

 private Q_SLOTS:
  void initTestCase() {
    qInfo("font %s %g pt = %d px, %g dpi, device pixel ratio %g", qPrintable(QApplication::font().family()),
          QApplication::font().pointSizeF(), QFontInfo(QApplication::font()).pixelSize(),
          QGuiApplication::primaryScreen()->logicalDotsPerInch(), qApp->devicePixelRatio());
    const QByteArray font = qgetenv("VELKOR_EXPECT_FONT");  // "DejaVu Sans 13": the desktop's font took
    if (!font.isEmpty())
      QCOMPARE(QApplication::font().family() + " " + QString::number(QApplication::font().pointSize()),
               QString::fromUtf8(font));
  }

  void mainWindowFitsAndShowsEveryTab() {
    TForm1 form(dialogs, cursor);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTabWidget* pages = form.pages().tabs();
    QTabBar* tabs = pages->tabBar();
    for (int i = 0; i < pages->count(); ++i) {
      const QRect tab = tabs->tabRect(i);
      QVERIFY2(tabs->rect().contains(tab) && pages->rect().contains(tab.translated(tabs->pos())),
               qPrintable(pages->tabText(i) + " is not fully shown"));
    }
    // Each tab can be clicked, and shows its page.
    for (int i = pages->count() - 1; i >= 0; --i) {
      QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(i).center());
      QCOMPARE(pages->currentIndex(), i);
    }
    for (int i = 0; i < pages->count(); ++i) {
      pages->setCurrentIndex(i);
      expectFits(pages->widget(i));
    }
    expectFits(&form);

    const double screenWidth = form.frameGeometry().width() * form.devicePixelRatioF();
    qInfo("client %dx%d, window %g screen pixels wide", form.centralWidget()->width(),
          form.centralWidget()->height(), screenWidth);
    if (qEnvironmentVariableIsSet("VELKOR_EXACT_CLIENT")) QCOMPARE(form.centralWidget()->size(), QSize(387, 400));
    const int minWidth = qEnvironmentVariableIntValue("VELKOR_MIN_WIDTH");
    QVERIFY2(screenWidth > minWidth, qPrintable(QString("%1 <= %2").arg(screenWidth).arg(minWidth)));
    form.document().ProgramModified = false;
  }

  void boardWindowOpensBesideTheEditor() {
    if (!qEnvironmentVariableIsSet("VELKOR_BESIDE")) QSKIP("the board window is wider than this screen allows");
    TForm1 form(dialogs, cursor);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.findChild<QAction*>("Simulationdelacarte1")->trigger();
    BoardWindow* board = form.windows().board();
    QVERIFY(QTest::qWaitForWindowExposed(board));
    const QRect screen = form.screen()->availableGeometry();
    qInfo("screen %dx%d: editor %dx%d at %d,%d, board window %dx%d at %d,%d", screen.width(), screen.height(),
          form.frameGeometry().width(), form.frameGeometry().height(), form.frameGeometry().x(),
          form.frameGeometry().y(), board->frameGeometry().width(), board->frameGeometry().height(),
          board->frameGeometry().x(), board->frameGeometry().y());
    QVERIFY(screen.contains(form.frameGeometry()) && screen.contains(board->frameGeometry()));
    QVERIFY(!form.frameGeometry().intersects(board->frameGeometry()));
    expectFits(board);
  }

  void simulationWindowsAndAboutFit() {
    TForm2 logic(images, [] { return 0; });
    TForm3 analog(images, [] { return 7; });
    TAbout1 about;
    for (QWidget* w : std::initializer_list<QWidget*>{&logic, &analog, &about}) {
      w->show();
      // No run: it would wait for "Fermer".
      logic.Timer1->stop();
      analog.Timer2->stop();
      QVERIFY(QTest::qWaitForWindowExposed(w));
      expectFits(w, false);
      w->hide();
    }
  }
};

QTEST_MAIN(LayoutFitTest)
#include "layout_fit_test.moc"
