// "Simulation de la carte": the whole board at once, beside the editor. Every
// input set by hand, every output shown, the program followed as it is
// edited, a timing chart of the run, and scenarios recorded and played back.
//
// Nothing runs in a loop: the outputs are computed when an input or the
// program changes, and the chart repaints as its own rules say.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "simulation/board.h"
#include "simulation/scenario.h"
#include "simulation/trace.h"

class QAction;
class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;

namespace velkor {

class Lamp;
class TimingChart;

// The questions the window asks, replaceable for tests.
struct BoardWindowDialogs {
  // A file to read or to write (nothing when cancelled); `filter` as Qt's file dialogs take it.
  std::function<QString(const QString& caption, const QString& filter)> chooseFileToOpen;
  std::function<QString(const QString& caption, const QString& filter)> chooseFileToSave;
  std::function<void(const QString& text)> showMessage;
};

class BoardWindow : public QWidget {
  Q_OBJECT

 public:
  // `program` gives the program on the pages, as images.
  explicit BoardWindow(std::function<ProgramImages()> program, QWidget* editor = nullptr);
  ~BoardWindow() override;

  // Shows the window; when it was closed, a new run starts: every input at
  // 0, every hold released, an empty chart, time from 0.
  void showWindow();
  // The program on the pages changed: the outputs follow it at once.
  void followProgram();

  // "Réinitialiser": releases every hold.
  void releaseHolds();
  void setPaused(bool paused);
  bool paused() const { return !running_; }
  // The run's present time, in ms.
  std::int64_t now() const;

  // Scenarios: recording what the user does, and playing one back, at its
  // own pace or at once. A playback starts a new run.
  void startRecording();
  // Ends the recording; its rows.
  std::vector<ScenarioRow> stopRecording();
  bool recording() const { return recording_; }
  void play(std::vector<ScenarioRow> rows, bool atOnce);
  void stopPlaying();
  bool playing() const { return playTimer_.isActive() || playIndex_ < playRows_.size(); }

  const BoardSimulation& board() const { return board_; }
  const Trace& trace() const { return trace_; }
  TimingChart* chart() const { return chart_; }
  BoardWindowDialogs& dialogs() { return dialogs_; }

  std::array<QCheckBox*, kLogicInputCount> el{};
  std::array<QSlider*, kAnalogInputCount> eaSlider{};
  std::array<QSpinBox*, kAnalogInputCount> ea{};
  std::array<Lamp*, kLogicOutputCount> sl{};
  std::array<QLabel*, kAnalogOutputCount> sa{};
  QPushButton* pauseButton = nullptr;
  QPushButton* resetButton = nullptr;
  QAction* recordAction = nullptr;
  QAction* playAction = nullptr;
  QAction* playAtOnceAction = nullptr;
  QAction* stopPlayingAction = nullptr;
  QAction* exportPngAction = nullptr;
  QAction* exportSvgAction = nullptr;
  QAction* exportCsvAction = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildMenus();
  QWidget* buildInputs();
  QWidget* buildOutputs();
  QWidget* buildButtons();
  void newRun();
  // Reads the inputs off the controls and runs the board with them.
  void inputsChanged();
  void showInputs(const BoardInputs& inputs);
  void showOutputs();
  // Shows the outputs and records the state in the trace.
  void recordState(std::int64_t timeMs);
  void playDue();
  void schedulePlay();
  void setControlsEnabled(bool enabled);
  void recordClicked(bool checked);
  void openScenario(bool atOnce);
  void exportPicture(bool svg);
  void exportTrace();
  // Writes `bytes` to a file chosen by the user; a failure is told.
  void saveFile(const QString& caption, const QString& filter, const std::string& bytes);

  std::function<ProgramImages()> program_;
  BoardWindowDialogs dialogs_;
  BoardSimulation board_;
  Trace trace_;
  TimingChart* chart_ = nullptr;

  // The run's clock: offset_ plus the time since it was last resumed.
  QElapsedTimer clock_;
  std::int64_t offset_ = 0;
  bool running_ = false;

  bool recording_ = false;
  std::int64_t recordStart_ = 0;
  std::vector<ScenarioRow> recorded_;

  std::vector<ScenarioRow> playRows_;
  std::size_t playIndex_ = 0;
  QTimer playTimer_;
  bool placed_ = false;
  bool showing_ = false;  // the controls are being set from the board: not a user change
};

}  // namespace velkor
