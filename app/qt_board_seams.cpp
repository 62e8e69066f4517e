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

struct QtMainThreadRunner::Call {
  std::function<void()> fn;
  std::exception_ptr error;
  bool done = false;
};

QtMainThreadRunner::QtMainThreadRunner(UserDialogs* errorReport)
    : errorReport_(errorReport), previous_(MainThreadRunner()) {
  SetMainThreadRunner(this);
}

QtMainThreadRunner::~QtMainThreadRunner() {
  SetMainThreadRunner(previous_);
  std::lock_guard lock(mutex_);
  closing_ = true;
  for (auto& call : queue_) {
    call->error = std::make_exception_ptr(EAbort());
    call->done = true;
  }
  queue_.clear();
  done_.notify_all();
}

bool QtMainThreadRunner::IsMainThread() const { return QThread::currentThread() == thread(); }

void QtMainThreadRunner::RunOnMainThread(const std::function<void()>& call) {
  if (IsMainThread()) return call();
  auto c = std::make_shared<Call>();
  c->fn = call;
  std::unique_lock lock(mutex_);
  if (closing_) throw EAbort();
  queue_.push_back(c);
  QCoreApplication::postEvent(this, new QEvent(kRunCalls));
  done_.wait(lock, [&] { return c->done; });
  if (c->error) std::rethrow_exception(c->error);
}

void QtMainThreadRunner::customEvent(QEvent* event) {
  if (event->type() == kRunCalls) runQueued();
}

void QtMainThreadRunner::runQueued() {
  for (;;) {
    std::shared_ptr<Call> c;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) return;
      c = queue_.front();
      queue_.pop_front();
    }
    std::exception_ptr error;
    try {
      c->fn();
    } catch (...) {
      error = std::current_exception();
    }
    std::lock_guard lock(mutex_);
    c->error = error;
    c->done = true;
    done_.notify_all();
  }
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
