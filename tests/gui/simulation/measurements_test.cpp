// What an open simulation window costs while the user does nothing, and how
// soon a tick shows. Prints the figures; the bounds are generous so that a
// loaded machine does not fail them, a spinning run does.
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <vector>

#include "gui/simulation/logic_window.h"
#include "simulation/images.h"
#include "support/posted_click.h"
#include "support/process_usage.h"

using namespace velkor;
using namespace velkor::testing_support;

namespace {

// Times from a posted click to the first repaint of the rectangle in its new colour.
class RepaintClock : public QObject {
 public:
  RepaintClock(RectangleShape* shape) : shape_(shape), shown_(shape->penColor()) { shape->installEventFilter(this); }

  void clicked() { clock_.start(); }
  std::vector<double> latenciesMs;
  std::function<void()> afterRepaint;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && shape_->penColor() != shown_ && clock_.isValid()) {
      shown_ = shape_->penColor();
      latenciesMs.push_back(double(clock_.nsecsElapsed()) / 1e6);
      clock_.invalidate();
      if (afterRepaint) afterRepaint();
    }
    return false;
  }

 private:
  RectangleShape* shape_;
  QColor shown_;
  QElapsedTimer clock_;
};

}  // namespace

// Calls `then` once the window's run has started; from then on nothing of
// the test wakes the run unless it means to.
void whenRunning(SimulationDialog& window, QTimer& poll, std::function<void()> then) {
  poll.setInterval(1);
  QObject::connect(&poll, &QTimer::timeout, [&window, &poll, then] {
    if (!window.running()) return;
    poll.stop();
    then();
  });
  poll.start();
}

class SimulationMeasurements : public QObject {
  Q_OBJECT

  ProgramImages images;

 private slots:
  void initTestCase() {
    // EL1 OU EA1 below 2000: a tick box and a spin field in use.
    images[1] = simulation_test::logicImage("\x01O\x08", "D2000U0000U0000U0000");
  }

  void idleWindowCostsAlmostNothing() {
    // Opened the way the editor opens it: modally, from a button's click handler.
    QWidget editor;
    auto* simuler = new QPushButton("Simuler", &editor);
    editor.show();
    TForm2 w(images, [] { return 0; }, &editor);
    QObject::connect(simuler, &QPushButton::clicked, &w, [&w] { w.exec(); });
    double cpu0 = 0, cpu = 0, wall = 0;
    long passes0 = 0, passes = 0;
    QElapsedTimer clock;
    QTimer poll, end;
    end.setSingleShot(true);
    end.setTimerType(Qt::PreciseTimer);
    QObject::connect(&end, &QTimer::timeout, [&] {
      cpu = cpuSeconds() - cpu0;
      wall = double(clock.nsecsElapsed()) / 1e9;
      passes = w.passCount() - passes0;
      QTest::mouseClick(w.Button1, Qt::LeftButton);
    });
    whenRunning(w, poll, [&] {
      // The spin field has the focus: its cursor blinks, as for a user.
      w.activateWindow();
      w.ea[0]->setFocus();
      cpu0 = cpuSeconds();
      passes0 = w.passCount();
      clock.start();
      end.start(5000);
    });
    QTimer::singleShot(20000, &w, [&w] { w.Button1Click(); });
    QTest::mouseClick(simuler, Qt::LeftButton);
    qInfo("idle: %.3f s CPU over %.2f s = %.2f %% of one core; %ld passes", cpu, wall, 100 * cpu / wall, passes);
    QVERIFY(wall >= 4.9);
    QVERIFY2(cpu / wall < 0.02, "an idle run must sleep between events");
  }

  void tickShowsAtOnce() {
    TForm2 w(images, [] { return 0; });
    RepaintClock clock(w.Shape1);
    const int clicks = 40;
    QTimer poll, next;
    next.setSingleShot(true);
    QObject::connect(&next, &QTimer::timeout, [&] {
      clock.clicked();
      postClick(w.el[0]);
    });
    clock.afterRepaint = [&] {
      if (int(clock.latenciesMs.size()) == clicks) QTest::mouseClick(w.Button1, Qt::LeftButton);
      else next.start(15);  // let the run go back to sleep before the next click
    };
    whenRunning(w, poll, [&] { next.start(0); });
    QTimer::singleShot(20000, &w, [&w] { w.Button1Click(); });
    w.exec();
    QCOMPARE(int(clock.latenciesMs.size()), clicks);
    std::vector<double> sorted = clock.latenciesMs;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    qInfo("tick to repaint over %d clicks: median %.3f ms, max %.3f ms", clicks, median, sorted.back());
    QVERIFY(median < 20);
    QVERIFY(sorted.back() < 100);
  }
};

QTEST_MAIN(SimulationMeasurements)
#include "measurements_test.moc"
