// The timing chart of the board window: the trace's lanes with time running
// to the right, zoom and scroll on the time axis, and a cursor that reads
// every lane.
//
// It repaints as the present moves while time runs: at most about 30 times
// a second, once a second while every lane is flat across the view (only
// the time axis moves then), never while time stands still or the window
// is hidden. A change of the trace shows within 16 ms: a quick run of
// changes (a slider dragged) may paint up to 60 times a second.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

#include "simulation/chart.h"

class QScrollBar;

namespace velkor {

class TimingChart : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kFrameMs = 33;
  static constexpr int kChangeGapMs = 16;
  static constexpr int kFlatFrameMs = 1000;
  static constexpr std::int64_t kDefaultSpanMs = 20'000;
  static constexpr std::int64_t kMinSpanMs = 100;
  static constexpr std::int64_t kMaxSpanMs = 24LL * 3600 * 1000;

  // `now` gives the present time of the run, in ms; `mismatches` are the
  // outputs a played scenario expected otherwise, marked on their lanes.
  TimingChart(const Trace& trace, const ChartMismatches& mismatches, std::function<std::int64_t()> now,
              QWidget* parent = nullptr);

  // Whether time runs; while it does and the view follows the present, the
  // chart moves with it.
  void setRunning(bool running);
  // Something was recorded, or a mismatch marked: shown at once, or at the next frame.
  void traceChanged();
  // A new run: the view follows the present again at the default span.
  void restart();
  // The program's names, for the lanes; read at each paint (none by default).
  // Told again when they change: the column of names widens to fit them.
  void setNames(const ProgramNames* names);

  // factor < 1 zooms in. About the cursor when it is in view, else about
  // the present while following, else about the middle.
  void zoom(double factor);
  void setCursorTime(std::optional<std::int64_t> ms);
  std::int64_t spanMs() const { return spanMs_; }
  ChartView view() const;
  // The picture as shown, for the exports.
  ChartPicture picture() const;
  const ChartMetrics& metrics() const { return metrics_; }
  // Repaints so far; lets a test or a measurement see the chart rest.
  long paintCount() const { return paints_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  int chartWidth() const { return width(); }
  // Asks for a repaint within `delayMs`, keeping an earlier one.
  void scheduleFrame(int delayMs);
  // After a repaint: the next one the running time needs.
  void scheduleRunningFrame(const ChartView& shown);
  void scrolled(int value);
  void syncScrollBar(const ChartView& shown);
  void setStart(std::int64_t startMs);

  const Trace& trace_;
  const ChartMismatches& mismatches_;
  std::function<std::int64_t()> now_;
  const ChartMetrics designed_;  // without names
  ChartMetrics metrics_;
  const ProgramNames* names_ = nullptr;
  std::int64_t spanMs_ = kDefaultSpanMs;
  std::int64_t startMs_ = 0;  // while not following
  bool following_ = true;
  bool running_ = false;
  bool syncing_ = false;
  std::optional<std::int64_t> cursor_;
  QTimer frame_;
  QElapsedTimer sinceChange_;  // since the last paint that showed a change
  bool changed_ = false;       // a change waits to be shown
  QScrollBar* scroll_ = nullptr;
  long paints_ = 0;
};

}  // namespace velkor
