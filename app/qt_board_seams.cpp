#include "app/qt_board_seams.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <QTimer>

namespace velkor {
namespace {

const QEvent::Type kRunCalls = static_cast<QEvent::Type>(QEvent::registerEventType());

}  // namespace

void QtEventPump::processEvents(std::chrono::milliseconds timeout) {
  // A timer bounds the wait; any event, the port's hand-over included, ends it sooner.
  QTimer wake;
  wake.setSingleShot(true);
  wake.start(static_cast<int>(timeout.count()));
  QThread::currentThread()->eventDispatcher()->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
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
  if (event->type() == kRunCalls) calls_.RunPending();
}

void QtMainThreadRunner::HandleException(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const EAbort&) {
    // The silent abort: nothing to show.
  } catch (const std::exception& e) {
    if (errorReport_) errorReport_->reportError(e.what());
  } catch (...) {
    if (errorReport_) errorReport_->reportError("Erreur inattendue");
  }
}

}  // namespace velkor
