#include "gui/simulation/simulation_dialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QPalette>
#include <QPushButton>
#include <utility>

#include "gui/common/window_placement.h"

namespace velkor {

SimulationDialog::SimulationDialog(const ProgramImages& images, std::function<int()> activePageIndex,
                                   QWidget* parent)
    : QDialog(parent), images_(images), activePageIndex_(std::move(activePageIndex)) {}

void SimulationDialog::setUpWindow(const QString& caption, int clientWidth, int clientHeight) {
  setWindowTitle(caption);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(scale_(QSize(clientWidth, clientHeight)));
  setModal(true);
  setFont(simulationFont(scale_(11), false));
}

void SimulationDialog::FormCreate() {
  centreOnScreen(this);
  StopRequested = false;
}

void SimulationDialog::setStartTimer(QTimer* timer) {
  startTimer_ = timer;
  startTimer_->setInterval(kStartDelayMs);
  connect(startTimer_, &QTimer::timeout, this, [this] { startTimerFired(); });
}

void SimulationDialog::FormActivate() {
  RunStarted = false;
  startTimer_->start();
}

void SimulationDialog::startTimerFired() {
  if (RunStarted) return;
  RunStarted = true;
  startTimer_->stop();
  RunSimulation();
}

void SimulationDialog::closeRun() {
  StopRequested = true;
  done(QDialog::Rejected);
}

int SimulationDialog::simulatedPage() const { return activePageIndex_ ? activePageIndex_() + 1 : 1; }

std::string SimulationDialog::imageOf(int page) const {
  return page >= 1 && page <= kPageCount ? images_[page] : std::string();
}

void SimulationDialog::runPasses(const std::function<void()>& pass) {
  // "Fermer" handled during the start of the run: nothing could end a run
  // in a hidden window.
  if (!isVisible()) return;
  running_ = true;
  while (true) {
    pass();
    ++passCount_;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (StopRequested) break;
  }
  running_ = false;
}

QPushButton* SimulationDialog::makeCloseButton() {
  auto* button = new QPushButton(QStringLiteral("Fermer"), this);
  button->setObjectName(QStringLiteral("Button1"));
  button->setGeometry(scale_(QRect(104, 144, 113, 17)));
  // Enter in a spin field must not close the window.
  button->setAutoDefault(false);
  connect(button, &QPushButton::clicked, this, [this] { closeRun(); });
  return button;
}

void SimulationDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Activation proper also follows switching between applications, which
  // must not start a second run: an opening is a show.
  if (!event->spontaneous()) FormActivate();
}

void SimulationDialog::hideEvent(QHideEvent* event) {
  // A run must never start in a hidden window: nothing could end it.
  if (!event->spontaneous() && startTimer_) startTimer_->stop();
  QDialog::hideEvent(event);
}

void SimulationDialog::closeEvent(QCloseEvent* event) {
  // Without a close box the window closes only through "Fermer" (done(),
  // which does not come here); a run left going in a hidden window would
  // keep the editor blocked.
  event->ignore();
}

void SimulationDialog::reject() {
  // Escape does not close the window either.
}

QFont simulationFont(int pixelSize, bool bold) {
  // The layout's fixed sizes were made for Arial's metrics: "2500   " must
  // fit the 89-pixel display, the panel's words its rectangle.
  QFont font;
  font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                    QStringLiteral("Helvetica")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

void setTextColor(QWidget* widget, const QColor& color) {
  if (textColor(widget) == color) return;
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, color);
  palette.setColor(QPalette::Text, color);
  widget->setPalette(palette);
}

QColor textColor(const QWidget* widget) { return widget->palette().color(QPalette::WindowText); }

}  // namespace velkor
