#include "gui/editor/qt_board_seams.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QEvent>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <utility>
#include <vector>

#include "gui/editor/central_report.h"

namespace velkor {
namespace {

const QEvent::Type kRunCalls = static_cast<QEvent::Type>(QEvent::registerEventType());

// While a fixed pause runs: the runners whose hand-over came meanwhile.
bool gPausing = false;
std::vector<QPointer<QObject>> gHeldBack;

}  // namespace

void QtEventPump::processEvents(std::chrono::milliseconds timeout) {
  // A timer bounds the wait; any event, the port's hand-over included, ends it sooner.
  QTimer wake;
  wake.setSingleShot(true);
  wake.start(static_cast<int>(timeout.count()));
  QThread::currentThread()->eventDispatcher()->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void QtPauseClock::attendre(std::uint32_t milliseconds) {
  QElapsedTimer elapsed;
  elapsed.start();
  const bool outer = !std::exchange(gPausing, true);
  QTimer wake;
  wake.setSingleShot(true);
  for (qint64 left; (left = qint64(milliseconds) - elapsed.elapsed()) > 0;) {
    wake.start(static_cast<int>(left));
    QThread::currentThread()->eventDispatcher()->processEvents(
        QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers | QEventLoop::WaitForMoreEvents);
  }
  if (!outer) return;
  gPausing = false;
  for (const QPointer<QObject>& runner : std::exchange(gHeldBack, {}))
    if (runner) QCoreApplication::postEvent(runner, new QEvent(kRunCalls));
}

void QtBusyCursor::showBusy() { QApplication::setOverrideCursor(Qt::WaitCursor); }

void QtBusyCursor::showNormal() { QApplication::restoreOverrideCursor(); }

QtMainThreadRunner::QtMainThreadRunner(UserDialogs* errorReport)
    : errorReport_(errorReport), previous_(MainThreadRunner()) {
  SetMainThreadRunner(this);
}

QtMainThreadRunner::~QtMainThreadRunner() {
  SetMainThreadRunner(previous_);
  calls_.Close();
}

bool QtMainThreadRunner::IsMainThread() const { return QThread::currentThread() == thread(); }

void QtMainThreadRunner::RunOnMainThread(const std::function<void()>& call) {
  if (IsMainThread()) return call();
  // Qt's event loop, or a transfer's wait on it, runs the queue when the event arrives.
  calls_.HandOver(call, [this] { QCoreApplication::postEvent(this, new QEvent(kRunCalls)); });
}

void QtMainThreadRunner::customEvent(QEvent* event) {
  if (event->type() != kRunCalls) return;
  if (gPausing) {
    // Run once the pause is over; one event then runs all that came meanwhile.
    if (std::find(gHeldBack.begin(), gHeldBack.end(), this) == gHeldBack.end()) gHeldBack.emplace_back(this);
    return;
  }
  calls_.RunPending();
}

void QtMainThreadRunner::HandleException(std::exception_ptr error) { reportFailure(error, errorReport_); }

}  // namespace velkor
