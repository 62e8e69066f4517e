// What the board window costs: from an input change to the chart painted,
// the CPU of an open window at rest, the memory of a 10-minute run beside
// the editor. Prints the figures; the bounds are generous so that a loaded
// machine does not fail them, a spinning window does.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>
#include <QTest>
#include <algorithm>
#include <vector>

#include "gui/simulation/board_window.h"
#include "gui/simulation/lamp.h"
#include "gui/simulation/timing_chart.h"
#include "simulation/images.h"
#include "support/fake_dialogs.h"
#include "support/posted_click.h"
#include "support/process_usage.h"

using namespace velkor;
using namespace velkor::testing_support;

namespace {

// Times from a posted click to the end of the chart's first paint that
// shows the change, the lamp already lit or put out.
class PaintClock : public QObject {
 public:
  PaintClock(BoardWindow& w) : w_(w) { w.chart()->installEventFilter(this); }
  void clicked() {
    traceSize_ = w_.trace().size();
    clock_.start();
  }
  std::vector<double> latenciesMs;
  bool lampsFollowed = true;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Paint || !clock_.isValid() || w_.trace().size() == traceSize_) return false;
    watched->removeEventFilter(this);
    QCoreApplication::sendEvent(watched, event);
    watched->installEventFilter(this);
    latenciesMs.push_back(double(clock_.nsecsElapsed()) / 1e6);
    lampsFollowed = lampsFollowed && w_.sl[0]->isLit() == w_.el[0]->isChecked();
    clock_.invalidate();
    return true;
  }

 private:
  BoardWindow& w_;
  QElapsedTimer clock_;
  std::size_t traceSize_ = 0;
};

// The CPU share and paints of the window over `ms` of doing nothing, in an
// event loop that sleeps (QTest::qWait polls).
std::pair<double, long> restingCost(BoardWindow& w, int ms) {
  const long paints = w.chart()->paintCount();
  const double cpu = cpuSeconds();
  QElapsedTimer wall;
  wall.start();
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
  return {(cpuSeconds() - cpu) / (double(wall.nsecsElapsed()) / 1e9), w.chart()->paintCount() - paints};
}

}  // namespace

class BoardMeasurements : public QObject {
  Q_OBJECT

  ProgramImages images;
  testing_support::FakeDialogs dialogs;  // nothing is asked

 private slots:
  void initTestCase() {
    for (int page = 1; page <= 7; ++page) images[page] = simulation_test::logicImage("\x01");
    for (int page = 8; page <= 11; ++page) images[page] = simulation_test::analogImage("\x01", "2500", 'V');
  }

  void inputChangeToChartPainted() {
    BoardWindow w([this] { return images; }, dialogs);
    w.showWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    PaintClock clock(w);
    const int clicks = 40;
    for (int i = 0; i < clicks; ++i) {
      // At every phase of the chart's frames as time runs.
      QTest::qWait(37 + i % 7);
      clock.clicked();
      postClick(w.el[0]);
      QTRY_COMPARE_WITH_TIMEOUT(int(clock.latenciesMs.size()), i + 1, 2000);
    }
    std::vector<double> sorted = clock.latenciesMs;
    std::sort(sorted.begin(), sorted.end());
    qInfo("input change to chart painted over %d clicks: median %.3f ms, max %.3f ms", clicks,
          sorted[sorted.size() / 2], sorted.back());
    QVERIFY(clock.lampsFollowed);
    QVERIFY(sorted[sorted.size() / 2] < 20);
    QVERIFY(sorted.back() < 100);
  }

  void openWindowAtRest() {
    BoardWindow w([this] { return images; }, dialogs);
    w.showWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.el[0]->setChecked(true);
    const auto [moving, movingPaints] = restingCost(w, 3000);
    // Once every lane is flat across the view, only the time axis moves.
    w.chart()->zoom(1.0 / 64);
    QTest::qWait(600);
    const auto [flat, flatPaints] = restingCost(w, 5000);
    w.setPaused(true);
    const auto [paused, pausedPaints] = restingCost(w, 5000);
    qInfo("open window, time running, a change in view: %.2f %% of one core, %ld paints over 3 s", 100 * moving,
          movingPaints);
    qInfo("open window, time running, no change in view: %.2f %% of one core, %ld paints over 5 s", 100 * flat,
          flatPaints);
    qInfo("open window, time paused: %.2f %% of one core, %ld paints over 5 s", 100 * paused, pausedPaints);
    QVERIFY(movingPaints <= 3 * 31);
    QVERIFY(flatPaints <= 6);
    QCOMPARE(pausedPaints, 0L);
    QVERIFY(flat < 0.02 && paused < 0.02);
  }

  void tenMinutesOfChanges() {
    QWidget editor;  // stands for the editor: the window is its child
    editor.show();
    const double before = residentMb();
    {
      BoardWindow w([this] { return images; }, dialogs, &editor);
      w.showWindow();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      // A change every 100 ms for 10 minutes, run at once.
      std::vector<ScenarioRow> rows;
      for (int i = 0; i <= 6000; ++i) {
        ScenarioRow row{i * 100, {}};
        row.inputs.logic[std::size_t(i % 7)] = i % 2;
        row.inputs.analog[std::size_t(i % 4)] = (i * 37) % 5101;
        rows.push_back(row);
      }
      w.play(rows, true);
      w.chart()->zoom(64);  // the whole run in view: every change drawn
      QTest::qWait(300);
      const double after = residentMb();
      qInfo("10-minute run, a change every 100 ms: %zu changes kept, %.1f MB more than before the window", w.trace().size(),
            after - before);
      QVERIFY(w.trace().size() > 6000);
      QVERIFY(after - before < 50);
    }
  }
};

QTEST_MAIN(BoardMeasurements)
#include "board_measurements_test.moc"
