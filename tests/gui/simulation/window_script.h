// Drives a simulation window the way the editor opens it: modally, with
// the test's steps run from inside the simulation's own run.
#pragma once

#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <vector>

#include "gui/simulation/simulation_dialog.h"

namespace velkor::simulation_test {

using Step = std::function<void()>;

// Opens `window` with exec() and runs `steps` once its run has started, one
// step per pass: each step sees what the pass after the previous step showed.
// After the last step, "Fermer" is clicked unless a step closed the window.
// Returns false when the run never started or never ended.
inline bool runSteps(SimulationDialog& window, QPushButton* fermer, std::vector<Step> steps) {
  std::size_t next = 0;
  long passesSeen = -1;
  QTimer driver;
  driver.setInterval(1);
  QObject::connect(&driver, &QTimer::timeout, [&] {
    if (!window.running() || window.passCount() == passesSeen) return;
    if (next < steps.size()) {
      steps[next++]();
      passesSeen = window.passCount();
      return;
    }
    driver.stop();
    if (window.isVisible()) QTest::mouseClick(fermer, Qt::LeftButton);
  });
  // A run that never ends must fail the test, not hang it.
  bool timedOut = false;
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    timedOut = true;
    driver.stop();
    if (window.isVisible()) QTest::mouseClick(fermer, Qt::LeftButton);
  });
  watchdog.start(20000);
  driver.start();
  window.exec();
  return !timedOut && next == steps.size() && !window.running();
}

}  // namespace velkor::simulation_test
