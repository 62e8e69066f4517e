// What the two simulation windows share: the modal window without title-bar
// buttons, its start timer, and the run that re-evaluates the output until
// "Fermer".
#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>
#include <string>

#include "document/program_names.h"
#include "gui/common/form_scale.h"
#include "image/program_images.h"

class QPushButton;

namespace velkor {

class SimulationDialog : public QDialog {
  Q_OBJECT

 public:
  // The start timer fires once, 10 ms after the window is shown.
  static constexpr int kStartDelayMs = 10;

  bool stopRequested() const { return StopRequested; }
  // True while a run is in progress (between its start and "Fermer").
  bool running() const { return running_; }
  // Passes done since the window was created; lets a test or a measurement
  // see that the run sleeps while nothing happens.
  long passCount() const { return passCount_; }
  // The program's names, read at the start of each run for the inputs' and
  // the output's tooltips; none by default.
  void setNames(const ProgramNames* names) { names_ = names; }

 protected:
  // `images` and the page index are read at the start of each run.
  SimulationDialog(const ProgramImages& images, std::function<int()> activePageIndex, QWidget* parent);

  // Fixed client size; no system menu, close box or resizing.
  void setUpWindow(const QString& caption, int clientWidth, int clientHeight);
  // Centres the window on the screen and clears StopRequested.
  void FormCreate();
  // The timer that starts a run after each opening.
  void setStartTimer(QTimer* timer);
  // Each opening: clears RunStarted and starts the start timer.
  void FormActivate();
  // Shared by Timer1Timer and Timer2Timer.
  void startTimerFired();
  // "Fermer": ends the run, then closes the window.
  void closeRun();

  // The simulated page: the active page index plus one.
  int simulatedPage() const;
  // Image of a page; an empty one when the page index is out of range.
  std::string imageOf(int page) const;

  // Runs passes until StopRequested: one at once, then one after each
  // batch of user-interface events. Between events the run sleeps: a
  // pass depends only on the inputs, and they change only through events.
  void runPasses(const std::function<void()>& pass);

  virtual void RunSimulation() = 0;

  // "Fermer", wired to closeRun().
  QPushButton* makeCloseButton();

  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

  bool StopRequested = false;
  bool RunStarted = false;
  const ProgramNames* names_ = nullptr;
  // Designed pixels to this desktop's: the window grows with the font.
  const FormScale scale_ = FormScale::ofApplication();

 private:
  const ProgramImages& images_;
  std::function<int()> activePageIndex_;
  QTimer* startTimer_ = nullptr;
  bool running_ = false;
  long passCount_ = 0;
};

// A bold or plain label font of a given pixel height.
QFont simulationFont(int pixelSize, bool bold);
// Sets a widget's text colour, leaving it alone when it already has it.
void setTextColor(QWidget* widget, const QColor& color);
QColor textColor(const QWidget* widget);

}  // namespace velkor
