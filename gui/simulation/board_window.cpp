#include "gui/simulation/board_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <limits>
#include <utility>

#include "gui/common/file_export.h"
#include "gui/common/path_text.h"
#include "gui/common/signal_tip.h"
#include "gui/common/window_placement.h"
#include "gui/paint/chart_painter.h"
#include "gui/simulation/lamp.h"
#include "gui/simulation/timing_chart.h"
#include "simulation/expectations.h"

namespace velkor {

namespace {

constexpr std::string_view kScenarioFilter = "Scénarios (*.csv);;Tous les fichiers (*)";
constexpr std::string_view kRecordingQuestion =
    "Vous allez perdre le scénario en cours d'enregistrement.\nL'enregistrer d'abord ?";

QString millivoltsText(int mv) { return QStringLiteral("%1 mV").arg(mv); }

MillisecondClock steadyClock() {
  QElapsedTimer since;
  since.start();
  return [since] { return since.elapsed(); };
}

}  // namespace

BoardWindow::BoardWindow(std::function<ProgramImages()> program, UserDialogs& dialogs, QWidget* editor,
                         const ProgramNames* names)
    : QWidget(editor, Qt::Window),
      program_(std::move(program)),
      dialogs_(dialogs),
      names_(names),
      clock_(steadyClock()) {
  setObjectName("SimulationCarte");
  setWindowTitle(QStringLiteral("Simulation de la carte"));
  // Closing the editor ends the program, this window open or not.
  setAttribute(Qt::WA_QuitOnClose, false);

  chart_ = new TimingChart(trace_, mismatches_, [this] { return now(); }, this);
  auto* layout = new QVBoxLayout(this);
  buildMenus();
  auto* controls = new QHBoxLayout;
  controls->addWidget(buildInputs(), 3);
  controls->addWidget(buildOutputs(), 2);
  layout->addLayout(controls);
  layout->addWidget(buildButtons());
  layout->addWidget(chart_);
  layout->addStretch();

  playTimer_.setSingleShot(true);
  playTimer_.setTimerType(Qt::PreciseTimer);
  connect(&playTimer_, &QTimer::timeout, this, &BoardWindow::playDue);
}

BoardWindow::~BoardWindow() = default;

void BoardWindow::buildMenus() {
  auto* bar = new QMenuBar(this);
  layout()->setMenuBar(bar);
  QMenu* scenario = bar->addMenu(QStringLiteral("&Scénario"));
  recordAction = scenario->addAction(QStringLiteral("&Enregistrer un scénario"));
  recordAction->setCheckable(true);
  recordAction->setToolTip(QStringLiteral("Relâche les maintiens, puis note chaque changement des entrées "
                                          "jusqu'à ce que l'entrée soit décochée."));
  connect(recordAction, &QAction::triggered, this, &BoardWindow::recordClicked);
  recordWithOutputsAction = scenario->addAction(QStringLiteral("Enregistrer avec les &sorties..."));
  recordWithOutputsAction->setEnabled(false);
  recordWithOutputsAction->setToolTip(QStringLiteral(
      "Termine l'enregistrement et l'écrit avec les sorties de chaque instant comme valeurs attendues : "
      "relu, il signale toute sortie qui a changé."));
  connect(recordWithOutputsAction, &QAction::triggered, this, [this] { saveRecording(true); });
  scenario->addSeparator();
  playAction = scenario->addAction(QStringLiteral("&Lire un scénario..."));
  connect(playAction, &QAction::triggered, this, [this] { openScenario(false); });
  playAtOnceAction = scenario->addAction(QStringLiteral("Lire un scénario d'un &coup..."));
  connect(playAtOnceAction, &QAction::triggered, this, [this] { openScenario(true); });
  stopPlayingAction = scenario->addAction(QStringLiteral("&Arrêter la lecture"));
  stopPlayingAction->setEnabled(false);
  connect(stopPlayingAction, &QAction::triggered, this, &BoardWindow::stopPlaying);
  scenario->setToolTipsVisible(true);

  QMenu* chart = bar->addMenu(QStringLiteral("&Chronogramme"));
  exportPngAction = chart->addAction(QStringLiteral("Exporter en &PNG..."));
  connect(exportPngAction, &QAction::triggered, this, [this] { exportPicture(false); });
  exportSvgAction = chart->addAction(QStringLiteral("Exporter en &SVG..."));
  connect(exportSvgAction, &QAction::triggered, this, [this] { exportPicture(true); });
  exportCsvAction = chart->addAction(QStringLiteral("Exporter le &relevé en CSV..."));
  connect(exportCsvAction, &QAction::triggered, this, &BoardWindow::exportTrace);
}

QWidget* BoardWindow::buildInputs() {
  auto* group = new QGroupBox(QStringLiteral("Entrées"), this);
  auto* grid = new QGridLayout(group);
  auto* logic = new QHBoxLayout;
  for (int k = 0; k < kLogicInputCount; ++k) {
    el[std::size_t(k)] = new QCheckBox(QStringLiteral("EL%1").arg(k + 1), group);
    el[std::size_t(k)]->setObjectName(QStringLiteral("el%1").arg(k + 1));
    connect(el[std::size_t(k)], &QCheckBox::toggled, this, &BoardWindow::inputsChanged);
    logic->addWidget(el[std::size_t(k)]);
  }
  logic->addStretch();
  grid->addLayout(logic, 0, 0, 1, 6);
  for (int k = 0; k < kAnalogInputCount; ++k) {
    const int row = 1 + k / 2, column = 3 * (k % 2);
    auto* name = new QLabel(QStringLiteral("EA%1").arg(k + 1), group);
    auto* slider = new QSlider(Qt::Horizontal, group);
    auto* spin = new QSpinBox(group);
    slider->setObjectName(QStringLiteral("curseurEA%1").arg(k + 1));
    spin->setObjectName(QStringLiteral("ea%1").arg(k + 1));
    slider->setRange(0, kAnalogInputMax);
    slider->setPageStep(100);
    spin->setRange(0, kAnalogInputMax);
    spin->setSuffix(QStringLiteral(" mV"));
    // A typed value counts once it is entered, not digit by digit.
    spin->setKeyboardTracking(false);
    name->setBuddy(spin);
    connect(slider, &QSlider::valueChanged, this, [this, spin](int v) {
      const QSignalBlocker quiet(spin);
      spin->setValue(v);
      inputsChanged();
    });
    connect(spin, &QSpinBox::valueChanged, this, [this, slider](int v) {
      const QSignalBlocker quiet(slider);
      slider->setValue(v);
      inputsChanged();
    });
    grid->addWidget(name, row, column);
    grid->addWidget(slider, row, column + 1);
    grid->addWidget(spin, row, column + 2);
    eaName_[std::size_t(k)] = name;
    eaSlider[std::size_t(k)] = slider;
    ea[std::size_t(k)] = spin;
  }
  return group;
}

QWidget* BoardWindow::buildOutputs() {
  auto* group = new QGroupBox(QStringLiteral("Sorties"), this);
  auto* grid = new QGridLayout(group);
  for (int n = 0; n < kLogicOutputCount; ++n) {
    auto* lamp = new Lamp(group);
    lamp->setObjectName(QStringLiteral("sl%1").arg(n + 1));
    auto* name = new QLabel(QStringLiteral("SL%1").arg(n + 1), group);
    grid->addWidget(lamp, 0, n, Qt::AlignHCenter);
    grid->addWidget(name, 1, n, Qt::AlignHCenter);
    slName_[std::size_t(n)] = name;
    sl[std::size_t(n)] = lamp;
  }
  auto* analog = new QHBoxLayout;
  for (int n = 0; n < kAnalogOutputCount; ++n) {
    auto* value = new QLabel(millivoltsText(0), group);
    value->setObjectName(QStringLiteral("sa%1").arg(n + 1));
    value->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral(" 5100 mV ")));
    auto* name = new QLabel(QStringLiteral("SA%1").arg(n + 1), group);
    analog->addWidget(name);
    analog->addWidget(value);
    saName_[std::size_t(n)] = name;
    sa[std::size_t(n)] = value;
  }
  analog->addStretch();
  grid->addLayout(analog, 2, 0, 1, kLogicOutputCount);
  return group;
}

QWidget* BoardWindow::buildButtons() {
  auto* row = new QWidget(this);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  pauseButton = new QPushButton(QStringLiteral("&Pause"), row);
  pauseButton->setObjectName("pause");
  connect(pauseButton, &QPushButton::clicked, this, [this] { setPaused(!paused()); });
  resetButton = new QPushButton(QStringLiteral("&Réinitialiser"), row);
  resetButton->setObjectName("reinitialiser");
  resetButton->setToolTip(QStringLiteral("Relâche toutes les tensions maintenues."));
  connect(resetButton, &QPushButton::clicked, this, &BoardWindow::releaseHolds);
  auto* zoomOut = new QPushButton(QStringLiteral("Zoom &-"), row);
  zoomOut->setObjectName("zoomArriere");
  connect(zoomOut, &QPushButton::clicked, this, [this] { chart_->zoom(2); });
  auto* zoomIn = new QPushButton(QStringLiteral("Zoom &+"), row);
  zoomIn->setObjectName("zoomAvant");
  connect(zoomIn, &QPushButton::clicked, this, [this] { chart_->zoom(0.5); });
  verdict = new QLabel(row);
  verdict->setObjectName("attentes");
  verdict->setToolTip(QStringLiteral("Valeurs attendues par le scénario lu. Une sortie qui diffère est marquée en "
                                     "rouge sur le chronogramme ; le curseur y lit l'attendu et l'obtenu."));
  verdict->hide();
  layout->addWidget(pauseButton);
  layout->addWidget(resetButton);
  layout->addStretch();
  layout->addWidget(verdict);
  layout->addStretch();
  layout->addWidget(zoomOut);
  layout->addWidget(zoomIn);
  return row;
}

void BoardWindow::showWindow() {
  if (!isVisible()) newRun();
  showBesideEditor(this, placed_);
}

void BoardWindow::newRun() {
  stopPlaying();
  stopRecording();
  trace_.clear();
  mismatches_.clear();
  expectationsChecked_ = expectationsFailed_ = 0;
  showVerdict();
  offset_ = 0;
  resumedAt_ = clock_();
  running_ = true;
  pauseButton->setText(QStringLiteral("&Pause"));
  board_ = BoardSimulation();
  board_.setProgram(program_());
  showNames();
  showInputs(BoardInputs{});
  recordState(0);
  chart_->restart();
  chart_->setRunning(true);
}

std::int64_t BoardWindow::now() const { return offset_ + (running_ ? clock_() - resumedAt_ : 0); }

void BoardWindow::setClock(MillisecondClock clock) {
  offset_ = now();
  clock_ = std::move(clock);
  resumedAt_ = clock_();
}

void BoardWindow::followProgram() {
  if (!isVisible()) return;  // the next opening reads the program
  const BoardOutputs before = board_.outputs();
  board_.setProgram(program_());
  showNames();
  if (board_.outputs() != before) recordState(now());
}

void BoardWindow::showNames() {
  for (int k = 0; k < kLogicInputCount; ++k) setSignalTip({el[std::size_t(k)]}, names_, k);
  for (int k = 0; k < kAnalogInputCount; ++k) {
    const auto at = std::size_t(k);
    setSignalTip({eaName_[at], eaSlider[at], ea[at]}, names_, kLogicInputCount + k);
  }
  for (int n = 0; n < kLogicOutputCount; ++n)
    setSignalTip({slName_[std::size_t(n)], sl[std::size_t(n)]}, names_, outputSignal(n + 1));
  for (int n = 0; n < kAnalogOutputCount; ++n)
    setSignalTip({saName_[std::size_t(n)], sa[std::size_t(n)]}, names_, outputSignal(kLogicOutputCount + n + 1));
  chart_->setNames(names_);
}

void BoardWindow::inputsChanged() {
  if (showing_) return;
  BoardInputs inputs;
  for (int k = 0; k < kLogicInputCount; ++k) inputs.logic[std::size_t(k)] = el[std::size_t(k)]->isChecked();
  for (int k = 0; k < kAnalogInputCount; ++k) inputs.analog[std::size_t(k)] = ea[std::size_t(k)]->value();
  if (inputs == board_.inputs()) return;
  const std::int64_t t = now();
  if (recording_) recorded_.push_back({t - recordStart_, inputs});
  board_.setInputs(inputs);
  recordState(t);
}

void BoardWindow::showInputs(const BoardInputs& inputs) {
  showing_ = true;
  for (int k = 0; k < kLogicInputCount; ++k) el[std::size_t(k)]->setChecked(inputs.logic[std::size_t(k)]);
  for (int k = 0; k < kAnalogInputCount; ++k) {
    ea[std::size_t(k)]->setValue(inputs.analog[std::size_t(k)]);
    eaSlider[std::size_t(k)]->setValue(inputs.analog[std::size_t(k)]);
  }
  showing_ = false;
}

void BoardWindow::showOutputs() {
  const BoardOutputs& out = board_.outputs();
  for (int n = 0; n < kLogicOutputCount; ++n) sl[std::size_t(n)]->setLit(out.logic[std::size_t(n)]);
  for (int n = 0; n < kAnalogOutputCount; ++n) sa[std::size_t(n)]->setText(millivoltsText(out.analog[std::size_t(n)]));
}

void BoardWindow::recordState(std::int64_t timeMs) {
  showOutputs();
  const std::size_t before = trace_.size();
  trace_.record(timeMs, {board_.inputs(), board_.outputs()});
  if (trace_.size() == before && trace_.size() != trace_.capacity()) return;
  endMismatches(timeMs);
  chart_->traceChanged();
}

void BoardWindow::releaseHolds() {
  board_.releaseHolds();
  recordState(now());
}

void BoardWindow::setPaused(bool paused) {
  // A recording takes its rows' times from the run: time runs until it ends.
  if (paused == !running_ || (paused && recording_)) return;
  if (paused) {
    offset_ = now();
    running_ = false;
    playTimer_.stop();
  } else {
    resumedAt_ = clock_();
    running_ = true;
    schedulePlay();
  }
  pauseButton->setText(paused ? QStringLiteral("Re&prendre") : QStringLiteral("&Pause"));
  chart_->setRunning(running_);
}

// --- Scenarios ---------------------------------------------------------------

void BoardWindow::startRecording() {
  setPaused(false);
  // Played back, a scenario starts with every hold released: so does its recording.
  board_.releaseHolds();
  const std::int64_t t = now();
  recordState(t);
  recording_ = true;
  recordStart_ = t;
  recorded_ = {{0, board_.inputs()}};
  recordingChanged();
}

std::vector<ScenarioRow> BoardWindow::stopRecording() {
  recording_ = false;
  recordingChanged();
  return std::exchange(recorded_, {});
}

void BoardWindow::recordingChanged() {
  recordAction->setChecked(recording_);
  updateCommands();
}

// What each command may do now. While recording: no pause, and no playback
// that would start a new run under it; while playing: no recording; during
// a transfer: nothing that opens a window of its own (ending a recording
// asks where to save it).
void BoardWindow::updateCommands() {
  const bool playingNow = playing();
  pauseButton->setEnabled(!recording_);
  pauseButton->setToolTip(recording_ ? QStringLiteral("Le temps court pendant l'enregistrement d'un scénario.")
                                     : QString());
  recordAction->setEnabled(!modalRefused_ && !playingNow);
  recordWithOutputsAction->setEnabled(recording_ && !modalRefused_);
  playAction->setEnabled(!recording_ && !modalRefused_);
  playAtOnceAction->setEnabled(!recording_ && !modalRefused_);
  stopPlayingAction->setEnabled(playingNow);
  for (QAction* opensDialog : {exportPngAction, exportSvgAction, exportCsvAction})
    opensDialog->setEnabled(!modalRefused_);
}

void BoardWindow::recordClicked(bool checked) {
  if (checked) return startRecording();
  if (!saveRecording()) recordAction->setChecked(true);
}

bool BoardWindow::saveRecording(bool withOutputs) {
  // The outputs of the rows played back from the start state, not those seen
  // while recording: a hold released by hand meanwhile would fail the replay.
  const std::string text = scenarioText(withOutputs ? expectingTheRun(recorded_, runScenario(program_(), recorded_))
                                                    : recorded_);
  if (!writeChosenFile(dialogs_,
                       withOutputs ? "Enregistrer le scénario avec les sorties" : "Enregistrer le scénario",
                       kScenarioFilter, text))
    return false;
  stopRecording();
  return true;
}

bool BoardWindow::mayClose() {
  if (!recording_) return true;
  dialogs_.beep();
  switch (dialogs_.askSaveFirst("Attention...", kRecordingQuestion)) {
    case SaveChoice::Save: return saveRecording();
    case SaveChoice::Drop: stopRecording(); return true;
    case SaveChoice::GoBack: break;
  }
  return false;
}

void BoardWindow::openScenario(bool atOnce) {
  const auto path = dialogs_.chooseFileToRead("Lire un scénario", kScenarioFilter);
  if (!path) return;
  const ParsedScenario scenario = readScenarioFile(*path);
  const QString name = toQString(path->filename());
  if (scenario.errorLine == 0 && !scenario.error.empty()) {
    tell(QStringLiteral("Impossible de lire le scénario %1 : %2").arg(name, QString::fromStdString(scenario.error)));
    return;
  }
  if (!scenario.error.empty()) {
    tell(QStringLiteral("Ce scénario ne convient pas : %1, ligne %2 :\n%3")
             .arg(name)
             .arg(scenario.errorLine)
             .arg(QString::fromStdString(scenario.error)));
    return;
  }
  play(scenario.rows, atOnce);
}

void BoardWindow::play(std::vector<ScenarioRow> rows, bool atOnce) {
  newRun();
  playRows_ = std::move(rows);
  playIndex_ = 0;
  // The rows' times count from the run's start, not from when the new run
  // was ready (a slow machine took milliseconds there, shifting every row).
  if (atOnce) {
    for (std::size_t i = 0; i < playRows_.size(); ++i) {
      board_.setInputs(playRows_[i].inputs);
      trace_.record(playRows_[i].timeMs, {board_.inputs(), board_.outputs()});
      checkPlayedRow(i);
    }
    // The run's time goes on from the scenario's last row.
    if (!playRows_.empty()) offset_ += std::max<std::int64_t>(0, playRows_.back().timeMs - now());
    playRows_.clear();
    showInputs(board_.inputs());
    showOutputs();
    showVerdict();
    chart_->traceChanged();
    return;
  }
  setControlsEnabled(false);
  playDue();
}

// Applies every row that is due, at the row's own time, then waits for the next.
void BoardWindow::playDue() {
  const std::int64_t t = now();
  while (playIndex_ < playRows_.size() && playRows_[playIndex_].timeMs <= t) {
    const std::size_t index = playIndex_++;
    board_.setInputs(playRows_[index].inputs);
    recordState(playRows_[index].timeMs);
    checkPlayedRow(index);
  }
  showInputs(board_.inputs());
  showVerdict();
  if (playIndex_ < playRows_.size()) return schedulePlay();
  stopPlaying();
}

void BoardWindow::checkPlayedRow(std::size_t index) {
  endMismatches(playRows_[index].timeMs);
  RunCheck check;
  checkRow(check, playRows_, index, board_.outputs());
  if (check.expectations == 0) return;
  expectationsChecked_ += check.expectations;
  expectationsFailed_ += check.failures.size();
  for (const ExpectationFailure& failure : check.failures) mismatches_.push_back({failure});
  // The latest are kept: an endless list of failures must not grow the memory.
  while (mismatches_.size() > kMaxMismatches) mismatches_.pop_front();
  if (!check.failures.empty()) chart_->traceChanged();
}

void BoardWindow::endMismatches(std::int64_t timeMs) {
  constexpr auto inForce = std::numeric_limits<std::int64_t>::max();
  bool ended = false;
  for (auto m = mismatches_.rbegin(); m != mismatches_.rend() && m->untilMs == inForce; ++m) {
    m->untilMs = timeMs;
    ended = true;
  }
  if (ended) chart_->traceChanged();
}

// Only a run that checked something says so: a scenario without expected
// outputs shows nothing more than before.
void BoardWindow::showVerdict() {
  verdict->setVisible(expectationsChecked_ > 0);
  if (expectationsChecked_ == 0) return;
  verdict->setText(QString::fromStdString(expectationCounts(expectationsChecked_, expectationsFailed_)));
  verdict->setStyleSheet(expectationsFailed_ ? QStringLiteral("color: #c80000; font-weight: bold;") : QString());
}

void BoardWindow::schedulePlay() {
  if (!running_ || playIndex_ >= playRows_.size()) return;
  const std::int64_t wait = playRows_[playIndex_].timeMs - now();
  playTimer_.start(int(std::clamp<std::int64_t>(wait, 0, 24LL * 3600 * 1000)));
}

void BoardWindow::stopPlaying() {
  playTimer_.stop();
  playRows_.clear();
  playIndex_ = 0;
  setControlsEnabled(true);
}

void BoardWindow::setControlsEnabled(bool enabled) {
  for (QCheckBox* box : el) box->setEnabled(enabled);
  for (QSlider* slider : eaSlider) slider->setEnabled(enabled);
  for (QSpinBox* spin : ea) spin->setEnabled(enabled);
  updateCommands();
}

void BoardWindow::refuseModalCommands(bool refused) {
  modalRefused_ = refused;
  for (QSpinBox* spin : ea) spin->setContextMenuPolicy(refused ? Qt::NoContextMenu : Qt::DefaultContextMenu);
  updateCommands();
}

// --- Exports -------------------------------------------------------------------

void BoardWindow::exportPicture(bool svg) {
  const ChartPicture picture = chart_->picture();
  if (svg) {
    writeChosenFile(dialogs_, "Exporter le chronogramme en SVG", "Images SVG (*.svg)", chartSvg(picture));
    return;
  }
  const QByteArray png = chartPng(picture);
  if (png.isEmpty()) return tell(QStringLiteral("Le chronogramme n'a pas pu être dessiné en PNG."));
  writeChosenFile(dialogs_, "Exporter le chronogramme en PNG", "Images PNG (*.png)", png.toStdString());
}

void BoardWindow::exportTrace() {
  writeChosenFile(dialogs_, "Exporter le relevé", "Relevés CSV (*.csv)", trace_.csv());
}

void BoardWindow::tell(const QString& text) {
  dialogs_.beep();
  dialogs_.showMessage(text.toStdString());
}

void BoardWindow::closeEvent(QCloseEvent* event) {
  // During a transfer the recording question would hold the transfer up:
  // the window stays, still recording, until the transfer is over.
  if (recording_ && modalRefused_) return event->ignore();
  if (!mayClose()) return event->ignore();
  // Nothing runs behind a closed window; the next opening starts a new run.
  stopPlaying();
  if (running_) setPaused(true);
  QWidget::closeEvent(event);
}

}  // namespace velkor
