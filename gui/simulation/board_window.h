// "Simulation de la carte": the whole board at once, beside the editor. Every
// input set by hand, every output shown, the program followed as it is
// edited, a timing chart of the run, and scenarios recorded and played back;
// a scenario's expected outputs are checked as it plays, and a recording may
// be saved with the outputs it gave as its expectations.
//
// Nothing runs in a loop: the outputs are computed when an input or the
// program changes, and the chart repaints as its own rules say.
#pragma once

#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "image/user_dialogs.h"
#include "simulation/board.h"
#include "simulation/chart.h"
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

// The run's clock: milliseconds since any fixed moment, never going back.
using MillisecondClock = std::function<std::int64_t()>;

class BoardWindow : public QWidget {
  Q_OBJECT

 public:
  // `program` gives the program on the pages, as images; `dialogs` asks
  // and tells the user, and chooses the files (the window does not own it);
  // `names`, the program's names, shown as the inputs' and outputs'
  // tooltips and on the chart's lanes, are read as the program is.
  BoardWindow(std::function<ProgramImages()> program, UserDialogs& dialogs, QWidget* editor = nullptr,
              const ProgramNames* names = nullptr);
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
  // The clock time is read from (a steady clock unless a test gives its
  // own); the run's time goes on from where it was.
  void setClock(MillisecondClock clock);

  // Scenarios: recording what the user does, and playing one back, at its
  // own pace or at once. A playback starts a new run. Time runs while a
  // scenario is recorded: a paused run resumes, and cannot be paused again
  // until the recording ends.
  void startRecording();
  // Ends the recording; its rows.
  std::vector<ScenarioRow> stopRecording();
  // Saves the rows recorded so far in a file the user chooses and ends the
  // recording; with `withOutputs`, each row expects the outputs the program
  // on the pages gives it, as `velkor-cli simulate --expect` writes them.
  // False, recording on, when the user cancels or the write fails.
  bool saveRecording(bool withOutputs = false);
  bool recording() const { return recording_; }
  // Whether the window may close (or the editor quit): true unless a
  // scenario is being recorded and the user, asked, goes back or does not
  // get it saved. The recording has ended when it returns true.
  bool mayClose();
  // Plays rows back; each row's expected outputs are checked once its inputs
  // are applied, and the outputs that differ are marked on the chart.
  void play(std::vector<ScenarioRow> rows, bool atOnce);
  void stopPlaying();
  bool playing() const { return playTimer_.isActive() || playIndex_ < playRows_.size(); }

  const BoardSimulation& board() const { return board_; }
  const Trace& trace() const { return trace_; }
  // The outputs that differed from what the rows played expected (the
  // latest kMaxMismatches), and how many values were checked and failed.
  const ChartMismatches& mismatches() const { return mismatches_; }
  std::size_t expectationsChecked() const { return expectationsChecked_; }
  std::size_t expectationsFailed() const { return expectationsFailed_; }
  static constexpr std::size_t kMaxMismatches = 100'000;
  TimingChart* chart() const { return chart_; }
  // While the editor talks to the board nothing modal may open here: its
  // event loop would hold the transfer. The commands that open a dialog are
  // disabled meanwhile, and the millivolt fields lose their context menu
  // (which runs a loop of its own).
  void refuseModalCommands(bool refused);

  std::array<QCheckBox*, kLogicInputCount> el{};
  std::array<QSlider*, kAnalogInputCount> eaSlider{};
  std::array<QSpinBox*, kAnalogInputCount> ea{};
  std::array<Lamp*, kLogicOutputCount> sl{};
  std::array<QLabel*, kAnalogOutputCount> sa{};
  QPushButton* pauseButton = nullptr;
  QPushButton* resetButton = nullptr;
  QLabel* verdict = nullptr;  // "120 attentes, 1 échec", while the run checked some
  QAction* recordAction = nullptr;
  QAction* recordWithOutputsAction = nullptr;
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
  // The names as the program now has them.
  void showNames();
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
  void recordingChanged();
  // Enables each command as the recording, the playback and a transfer allow.
  void updateCommands();
  // Holds a row just played against what it expects; the row before it no
  // longer stands.
  void checkPlayedRow(std::size_t index);
  // The mismatches still in force end at `timeMs`: another row, or another state.
  void endMismatches(std::int64_t timeMs);
  void showVerdict();
  void openScenario(bool atOnce);
  void exportPicture(bool svg);
  void exportTrace();
  // A notice, with the beep.
  void tell(const QString& text);

  std::function<ProgramImages()> program_;
  UserDialogs& dialogs_;
  const ProgramNames* names_;
  std::array<QLabel*, kAnalogInputCount> eaName_{};
  std::array<QLabel*, kLogicOutputCount> slName_{};
  std::array<QLabel*, kAnalogOutputCount> saName_{};
  BoardSimulation board_;
  Trace trace_;
  ChartMismatches mismatches_;
  std::size_t expectationsChecked_ = 0;
  std::size_t expectationsFailed_ = 0;
  TimingChart* chart_ = nullptr;

  // The run's time: offset_ plus the clock's time since it was last resumed.
  MillisecondClock clock_;
  std::int64_t resumedAt_ = 0;
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
  bool modalRefused_ = false;
};

}  // namespace velkor
