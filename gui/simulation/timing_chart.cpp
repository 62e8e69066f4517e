#include "gui/simulation/timing_chart.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "document/program_names.h"
#include "gui/common/form_scale.h"
#include "gui/paint/chart_painter.h"

namespace velkor {

namespace {
int clampToInt(std::int64_t v) {
  return int(std::clamp<std::int64_t>(v, 0, std::numeric_limits<int>::max()));
}
}  // namespace

TimingChart::TimingChart(const Trace& trace, const ChartMismatches& mismatches, std::function<std::int64_t()> now,
                         QWidget* parent)
    : QWidget(parent),
      trace_(trace),
      mismatches_(mismatches),
      now_(std::move(now)),
      designed_(ChartMetrics::scaled(FormScale::ofApplication().factor())),
      metrics_(designed_) {
  setObjectName("chronogramme");
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setToolTip(QStringLiteral("Clic : curseur qui lit toutes les voies ; clic droit ou Échap : l'ôter.\n"
                            "Molette : défiler ; Ctrl + molette, + et - : zoom."));
  frame_.setSingleShot(true);
  connect(&frame_, &QTimer::timeout, this, [this] { update(); });
  scroll_ = new QScrollBar(Qt::Horizontal, this);
  scroll_->setObjectName("defilement");
  // Opaque: moving its slider repaints the bar alone, not the chart beneath.
  scroll_->setAutoFillBackground(true);
  connect(scroll_, &QScrollBar::valueChanged, this, &TimingChart::scrolled);
}

QSize TimingChart::sizeHint() const {
  return {FormScale::ofApplication()(820), metrics_.height() + scroll_->sizeHint().height()};
}

QSize TimingChart::minimumSizeHint() const {
  return {int(metrics_.plotLeft() * 3), sizeHint().height()};
}

void TimingChart::resizeEvent(QResizeEvent*) {
  const int h = scroll_->sizeHint().height();
  scroll_->setGeometry(0, height() - h, width(), h);
}

ChartView TimingChart::view() const {
  ChartView v;
  v.nowMs = now_();
  v.startMs = following_ ? std::max<std::int64_t>(0, v.nowMs - spanMs_) : startMs_;
  v.endMs = v.startMs + spanMs_;
  v.cursorMs = cursor_;
  return v;
}

ChartPicture TimingChart::picture() const {
  return drawChart(trace_, view(), chartWidth(), metrics_, mismatches_, names_);
}

void TimingChart::setNames(const ProgramNames* names) {
  names_ = names;
  metrics_ = names ? designed_.fittingNames(*names) : designed_;
  scheduleFrame(0);
}

void TimingChart::setRunning(bool running) {
  running_ = running;
  if (running) scheduleFrame(0);
  else frame_.stop();
}

void TimingChart::traceChanged() {
  // Gaps between paints that show changes, not between all paints: a change
  // never waits for the next frame of the running time.
  const qint64 since = sinceChange_.isValid() ? sinceChange_.elapsed() : kChangeGapMs;
  changed_ = true;
  scheduleFrame(int(std::max<qint64>(0, kChangeGapMs - since)));
}

void TimingChart::restart() {
  spanMs_ = kDefaultSpanMs;
  following_ = true;
  cursor_.reset();
  scheduleFrame(0);
}

void TimingChart::scheduleFrame(int delayMs) {
  if (!isVisible()) return;
  if (frame_.isActive() && frame_.remainingTime() <= delayMs) return;
  frame_.start(std::max(0, delayMs));
}

void TimingChart::scheduleRunningFrame(const ChartView& shown) {
  if (!running_ || !following_) return;
  // Where every lane is flat across the view only the time axis moves.
  const bool flat = trace_.lastTime() < shown.startMs;
  const double msPerPixel = double(spanMs_) / std::max(1.0, chartWidth() - metrics_.plotLeft());
  const int interval = flat ? kFlatFrameMs : std::max(kFrameMs, int(std::ceil(msPerPixel)));
  scheduleFrame(interval);
}

void TimingChart::paintEvent(QPaintEvent*) {
  const ChartView shown = view();
  QPainter painter(this);
  paintChart(painter, drawChart(trace_, shown, chartWidth(), metrics_, mismatches_, names_));
  ++paints_;
  if (std::exchange(changed_, false)) sinceChange_.start();
  syncScrollBar(shown);
  frame_.stop();
  scheduleRunningFrame(shown);
}

void TimingChart::syncScrollBar(const ChartView& shown) {
  syncing_ = true;
  const std::int64_t first = std::min<std::int64_t>(trace_.firstTime(), shown.startMs);
  scroll_->setRange(clampToInt(first), clampToInt(std::max(shown.startMs, shown.nowMs - spanMs_)));
  scroll_->setPageStep(clampToInt(spanMs_));
  scroll_->setSingleStep(clampToInt(std::max<std::int64_t>(1, spanMs_ / 10)));
  scroll_->setValue(clampToInt(shown.startMs));
  syncing_ = false;
}

void TimingChart::scrolled(int value) {
  if (syncing_) return;
  setStart(value);
}

// Moves the view; reaching the present follows it again.
void TimingChart::setStart(std::int64_t startMs) {
  const std::int64_t now = now_();
  const std::int64_t latest = std::max<std::int64_t>(0, now - spanMs_);
  startMs_ = std::clamp<std::int64_t>(startMs, std::min<std::int64_t>(trace_.firstTime(), latest), latest);
  following_ = startMs_ >= latest;
  scheduleFrame(0);
}

void TimingChart::zoom(double factor) {
  const ChartView v = view();
  const auto span = std::clamp<std::int64_t>(std::llround(double(spanMs_) * factor), kMinSpanMs, kMaxSpanMs);
  if (cursor_ && *cursor_ >= v.startMs && *cursor_ <= v.endMs) {
    const double share = double(*cursor_ - v.startMs) / double(spanMs_);
    spanMs_ = span;
    setStart(*cursor_ - std::llround(share * double(span)));
  } else if (following_) {
    spanMs_ = span;
    scheduleFrame(0);
  } else {
    const std::int64_t middle = v.startMs + spanMs_ / 2;
    spanMs_ = span;
    setStart(middle - span / 2);
  }
}

void TimingChart::setCursorTime(std::optional<std::int64_t> ms) {
  cursor_ = ms;
  scheduleFrame(0);
}

void TimingChart::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::RightButton) return setCursorTime(std::nullopt);
  mouseMoveEvent(e);
}

void TimingChart::mouseMoveEvent(QMouseEvent* e) {
  if (!(e->buttons() & Qt::LeftButton) || e->position().x() < metrics_.plotLeft()) return;
  const ChartView v = view();
  const double t = timeAtX(e->position().x(), v, chartWidth(), metrics_);
  setCursorTime(std::clamp<std::int64_t>(std::llround(t), v.startMs, v.endMs));
}

void TimingChart::wheelEvent(QWheelEvent* e) {
  const double notches = e->angleDelta().y() / 120.0;
  if (notches == 0) return;
  if (e->modifiers() & Qt::ControlModifier) zoom(std::pow(0.5, notches));
  else setStart(view().startMs - std::llround(notches * double(spanMs_) / 10));
  e->accept();
}

void TimingChart::keyPressEvent(QKeyEvent* e) {
  const ChartView v = view();
  const auto pixel = std::max<std::int64_t>(1, spanMs_ / std::max(1, chartWidth()));
  switch (e->key()) {
    case Qt::Key_Plus: zoom(0.5); break;
    case Qt::Key_Minus: zoom(2); break;
    case Qt::Key_Escape: setCursorTime(std::nullopt); break;
    case Qt::Key_Left:
    case Qt::Key_Right: {
      const std::int64_t step = e->key() == Qt::Key_Left ? -pixel : pixel;
      setCursorTime(std::clamp<std::int64_t>(cursor_.value_or(v.startMs + spanMs_ / 2) + step, 0, v.nowMs));
      break;
    }
    default: QWidget::keyPressEvent(e); return;
  }
  e->accept();
}

void TimingChart::showEvent(QShowEvent*) { scheduleFrame(0); }

void TimingChart::hideEvent(QHideEvent*) { frame_.stop(); }

}  // namespace velkor
