#include "simulation/chart.h"

#include "document/program_names.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

namespace velkor {

namespace {

constexpr ChartColor kBackground{255, 255, 255};
constexpr ChartColor kGrid{222, 222, 222};
constexpr ChartColor kBand{244, 244, 244};
constexpr ChartColor kSeparator{160, 160, 160};
constexpr ChartColor kInput{0, 0, 128};    // navy, as the simulation windows' captions
constexpr ChartColor kOutput{0, 128, 0};   // the green of "active"
constexpr ChartColor kText{0, 0, 0};
constexpr ChartColor kValueText{96, 96, 96};
constexpr ChartColor kCursor{220, 0, 0};
constexpr ChartColor kMismatch{200, 0, 0};
constexpr ChartColor kMismatchBand{255, 215, 215};
constexpr double kMinTickSpacing = 70;
constexpr double kLanePadding = 3;

// One lane's path, at most a few points per pixel column however many
// changes fall into it: a column with several changes draws the extent of
// the levels it went through, then the level it ends on.
class LanePath {
 public:
  LanePath(double top, double height, bool logic) : top_(top), height_(height), logic_(logic) {}

  void begin(double x, int value) {
    points_.push_back({x, y(value)});
    column_ = std::floor(x);
    columnX_ = x;
    value_ = value;
    marks_.push_back({x, value});
  }

  void change(double x, int value) {
    if (value == value_) return;
    const double column = std::floor(x);
    if (column != column_) {
      closeColumn();
      points_.push_back({x, y(value_)});
      column_ = column;
      columnX_ = x;
      low_ = high_ = value_;
    }
    value_ = value;
    low_ = std::min(low_, value);
    high_ = std::max(high_, value);
    ++changes_;
  }

  void finish(double x, std::vector<ChartShape>& shapes, ChartColor color, double fontPixels) {
    closeColumn();
    points_.push_back({x, y(value_)});
    shapes.push_back({ChartShape::Kind::Polyline, color, std::move(points_), 1, {}, TextAlign::Left});
    if (logic_) return;
    // Each step's millivolts, where there is room before the next step.
    for (std::size_t i = 0; i < marks_.size(); ++i) {
      const double end = i + 1 < marks_.size() ? marks_[i + 1].x : x;
      const std::string label = std::to_string(marks_[i].value);
      if (marks_[i].value == 0 || end - marks_[i].x < estimatedTextWidth(label, fontPixels) + 6) continue;
      // Below a high step, above a low one, never on the line.
      const bool high = y(marks_[i].value) < top_ + height_ / 2;
      const double baseline = high ? top_ + height_ - kLanePadding : top_ + fontPixels;
      shapes.push_back(ChartShape::label(marks_[i].x + 3, baseline, label, kValueText));
    }
  }

 private:
  struct Mark {
    double x;
    int value;
  };

  double y(int value) const {
    const double span = height_ - 2 * kLanePadding;
    const double share = logic_ ? (value ? 1.0 : 0.0) : std::clamp(value / double(kAnalogInputMax), 0.0, 1.0);
    return top_ + height_ - kLanePadding - share * span;
  }

  void closeColumn() {
    if (changes_ == 0) return;
    if (changes_ > 1) {
      points_.push_back({columnX_, y(low_)});
      points_.push_back({columnX_, y(high_)});
    }
    points_.push_back({columnX_, y(value_)});
    marks_.push_back({columnX_, value_});
    changes_ = 0;
  }

  double top_, height_;
  bool logic_;
  std::vector<ChartPoint> points_;
  std::vector<Mark> marks_;
  double column_ = 0, columnX_ = 0;
  int value_ = 0, low_ = 0, high_ = 0, changes_ = 0;
};

std::int64_t tickStep(double pixelsPerMs) {
  for (std::int64_t decade = 1;; decade *= 10)
    for (std::int64_t m : {1, 2, 5})
      if (double(m * decade) * pixelsPerMs >= kMinTickSpacing || m * decade >= 1'000'000'000'000) return m * decade;
}

std::string valueText(int lane, int value) { return isLogicLane(lane) ? (value ? "1" : "0") : std::to_string(value); }

// The first mismatch at or after `timeMs`.
std::size_t firstMismatchFrom(const ChartMismatches& marks, std::int64_t timeMs) {
  return std::size_t(std::lower_bound(marks.begin(), marks.end(), timeMs,
                                      [](const ChartMismatch& m, std::int64_t t) { return m.failure.timeMs < t; }) -
                     marks.begin());
}

// The mismatches shown between `from` and `to`: a pale band on the lane while
// each lasts, a red bar at its row. Marks that fall into the same pixels are
// drawn once, so a long run zoomed out costs no more than the chart's width.
void drawMismatches(std::vector<ChartShape>& shapes, const ChartMismatches& marks, std::int64_t from,
                    std::int64_t to, const std::function<double(double)>& x, const ChartMetrics& metrics) {
  // Every row's marks end where the next row's begin: only the last rows
  // before `from` may still be in force there.
  std::size_t i = firstMismatchFrom(marks, from);
  while (i > 0 && marks[i - 1].untilMs > from) --i;
  struct Band {
    double start = 0, end = -1;
  };
  std::array<Band, kLaneCount> bands{};
  std::array<double, kLaneCount> barColumn;
  barColumn.fill(-1);
  const double barWidth = std::max(2.0, metrics.fontPixels / 4);
  std::vector<ChartShape> bars;
  auto laneRect = [&](int lane, double x0, double width, ChartColor color) {
    return ChartShape::rect(x0, metrics.laneTop(lane) + 1, width, metrics.laneHeight(lane) - 2, color);
  };
  for (; i < marks.size() && marks[i].failure.timeMs <= to; ++i) {
    const ChartMismatch& m = marks[i];
    const int lane = outputSignal(m.failure.page);
    const double x0 = x(double(std::max(m.failure.timeMs, from))), x1 = x(double(std::min(m.untilMs, to)));
    Band& band = bands[std::size_t(lane)];
    if (band.end >= band.start && x0 <= band.end + 1) {
      band.end = std::max(band.end, x1);
    } else {
      if (band.end > band.start) shapes.push_back(laneRect(lane, band.start, band.end - band.start, kMismatchBand));
      band = {x0, x1};
    }
    if (m.failure.timeMs < from) continue;
    const double column = std::floor(x0);
    if (column == barColumn[std::size_t(lane)]) continue;
    barColumn[std::size_t(lane)] = column;
    bars.push_back(laneRect(lane, x0 - barWidth / 2, barWidth, kMismatch));
  }
  for (int lane = 0; lane < kLaneCount; ++lane) {
    const Band& band = bands[std::size_t(lane)];
    if (band.end > band.start) shapes.push_back(laneRect(lane, band.start, band.end - band.start, kMismatchBand));
  }
  shapes.insert(shapes.end(), bars.begin(), bars.end());
}

}  // namespace

int ChartMetrics::height() const {
  return int(std::ceil(axisHeight + 14 * logicLaneHeight + 8 * analogLaneHeight + 1));
}

double ChartMetrics::laneTop(int lane) const {
  double top = axisHeight;
  for (int l = 0; l < lane; ++l) top += laneHeight(l);
  return top;
}

ChartMetrics ChartMetrics::scaled(double factor) {
  ChartMetrics m;
  for (double* size : {&m.fontPixels, &m.axisHeight, &m.logicLaneHeight, &m.analogLaneHeight, &m.nameWidth,
                       &m.valueWidth, &m.rightMargin})
    *size *= factor;
  return m;
}

double xAtTime(double timeMs, const ChartView& view, int width, const ChartMetrics& metrics) {
  const double plotWidth = std::max(1.0, width - metrics.plotLeft() - metrics.rightMargin);
  const double span = double(std::max<std::int64_t>(1, view.endMs - view.startMs));
  return metrics.plotLeft() + (timeMs - double(view.startMs)) * plotWidth / span;
}

double timeAtX(double x, const ChartView& view, int width, const ChartMetrics& metrics) {
  const double plotWidth = std::max(1.0, width - metrics.plotLeft() - metrics.rightMargin);
  const double span = double(std::max<std::int64_t>(1, view.endMs - view.startMs));
  return double(view.startMs) + (x - metrics.plotLeft()) * span / plotWidth;
}

std::string timeLabel(std::int64_t ms) {
  const bool negative = ms < 0;
  const std::int64_t magnitude = negative ? -ms : ms;
  std::string s = (negative ? "-" : "") + std::to_string(magnitude / 1000);
  std::string fraction = std::to_string(1000 + magnitude % 1000).substr(1);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  if (!fraction.empty()) s += "," + fraction;
  return s + " s";
}

ChartPicture drawChart(const Trace& trace, const ChartView& view, int width, const ChartMetrics& metrics,
                       const ChartMismatches& mismatches, const ProgramNames* names) {
  ChartPicture picture;
  picture.width = width;
  picture.height = metrics.height();
  picture.fontPixels = metrics.fontPixels;
  auto& shapes = picture.shapes;
  const double left = metrics.plotLeft();
  const double right = std::max(left + 1, width - metrics.rightMargin);
  const double bottom = metrics.laneTop(kLaneCount);
  auto x = [&](double t) { return xAtTime(t, view, width, metrics); };
  const std::int64_t shownEnd = std::min(view.endMs, view.nowMs);

  shapes.push_back(ChartShape::rect(0, 0, width, picture.height, kBackground));
  // Every other lane on a light band, so a low level never looks like a rule.
  for (int lane = 1; lane < kLaneCount; lane += 2)
    shapes.push_back(ChartShape::rect(0, metrics.laneTop(lane), width, metrics.laneHeight(lane), kBand));
  drawMismatches(shapes, mismatches, view.startMs, shownEnd, x, metrics);

  // The cursor's time goes in the axis row, on its line and inside the
  // picture; the axis labels it would touch make way for it.
  const bool cursorShown = view.cursorMs && *view.cursorMs >= view.startMs && *view.cursorMs <= view.endMs;
  const std::string cursorLabel = cursorShown ? timeLabel(*view.cursorMs) : std::string();
  const double cursorHalf = estimatedTextWidth(cursorLabel, metrics.fontPixels) / 2 + 3;
  const double cursorX =
      cursorShown ? std::clamp(x(double(*view.cursorMs)), cursorHalf, std::max(cursorHalf, width - cursorHalf)) : 0;

  // Time axis and grid.
  const double pixelsPerMs = (right - left) / double(std::max<std::int64_t>(1, view.endMs - view.startMs));
  const std::int64_t step = tickStep(pixelsPerMs);
  const std::int64_t firstTick = (view.startMs >= 0 ? (view.startMs + step - 1) / step : view.startMs / step) * step;
  for (std::int64_t t = firstTick; t <= view.endMs; t += step) {
    shapes.push_back(ChartShape::line(x(double(t)), metrics.axisHeight - 4, x(double(t)), bottom, kGrid));
    const std::string label = timeLabel(t);
    if (cursorShown && std::abs(x(double(t)) - cursorX) < estimatedTextWidth(label, metrics.fontPixels) / 2 + cursorHalf)
      continue;
    shapes.push_back(ChartShape::label(x(double(t)), metrics.axisHeight - 6, label, kText, TextAlign::Centre));
  }

  // Lane ids and names; the inputs above the outputs.
  const auto nameRoom = std::size_t(std::max(
      0.0, (metrics.nameWidth - metrics.laneNameLeft() - 4) / estimatedTextWidth("x", metrics.fontPixels)));
  for (int lane = 0; lane < kLaneCount; ++lane) {
    const double baseline = metrics.laneTop(lane) + (metrics.laneHeight(lane) + metrics.fontPixels * 0.7) / 2;
    shapes.push_back(ChartShape::label(4, baseline, laneName(lane), lane < 11 ? kInput : kOutput));
    const std::string name = names ? names->label(lane) : std::string();
    if (!name.empty() && nameRoom > 1)
      shapes.push_back(ChartShape::label(metrics.laneNameLeft(), baseline, cutText(name, nameRoom), kValueText));
  }
  shapes.push_back(ChartShape::line(0, metrics.axisHeight, width, metrics.axisHeight, kSeparator));
  shapes.push_back(ChartShape::line(0, metrics.laneTop(11), width, metrics.laneTop(11), kSeparator));
  shapes.push_back(ChartShape::line(0, bottom, width, bottom, kSeparator));
  shapes.push_back(ChartShape::line(left, metrics.axisHeight, left, bottom, kSeparator));

  // The lanes, from the later of the view's start and the first change, to
  // the earlier of its end and now.
  if (!trace.empty() && shownEnd >= std::max(view.startMs, trace.firstTime())) {
    const std::int64_t from = std::max(view.startMs, trace.firstTime());
    std::size_t i = trace.indexAt(from);
    BoardState state = trace.stateAt(i);
    std::vector<LanePath> paths;
    for (int lane = 0; lane < kLaneCount; ++lane) {
      paths.emplace_back(metrics.laneTop(lane), metrics.laneHeight(lane), isLogicLane(lane));
      paths.back().begin(x(double(from)), state.value(lane));
    }
    for (++i; i < trace.size() && trace.timeAt(i) <= shownEnd; ++i) {
      state = trace.stateAt(i);
      const double at = x(double(trace.timeAt(i)));
      for (int lane = 0; lane < kLaneCount; ++lane) paths[std::size_t(lane)].change(at, state.value(lane));
    }
    for (int lane = 0; lane < kLaneCount; ++lane)
      paths[std::size_t(lane)].finish(x(double(shownEnd)), shapes, lane < 11 ? kInput : kOutput,
                                      metrics.fontPixels);
  }

  // The readings: at the cursor, or at the last moment shown.
  const std::optional<std::int64_t> readAt =
      view.cursorMs ? view.cursorMs : (trace.empty() ? std::nullopt : std::optional(shownEnd));
  // An output in force against what its row expected reads in red, and the
  // cursor says beside it what was expected and what came.
  std::array<const ChartMismatch*, kLaneCount> wrong{};
  if (readAt)
    for (std::size_t i = firstMismatchFrom(mismatches, *readAt + 1); i > 0 && mismatches[i - 1].untilMs > *readAt; --i)
      wrong[std::size_t(outputSignal(mismatches[i - 1].failure.page))] = &mismatches[i - 1];
  auto baselineOf = [&](int lane) {
    return metrics.laneTop(lane) + (metrics.laneHeight(lane) + metrics.fontPixels * 0.7) / 2;
  };
  if (readAt && !trace.empty() && *readAt >= trace.firstTime()) {
    const BoardState state = trace.stateAt(trace.indexAt(*readAt));
    for (int lane = 0; lane < kLaneCount; ++lane)
      shapes.push_back(ChartShape::label(left - 4, baselineOf(lane), valueText(lane, state.value(lane)),
                            wrong[std::size_t(lane)] ? kMismatch : kText, TextAlign::Right));
  }
  if (cursorShown) {
    const double cx = x(double(*view.cursorMs));
    shapes.push_back(ChartShape::line(cx, metrics.axisHeight, cx, bottom, kCursor));
    shapes.push_back(ChartShape::label(cursorX, metrics.axisHeight - 6, cursorLabel, kCursor, TextAlign::Centre));
    for (int lane = 0; lane < kLaneCount; ++lane) {
      if (!wrong[std::size_t(lane)]) continue;
      // On a white ground, right of the cursor, or left of it near the edge.
      const std::string said = wrong[std::size_t(lane)]->failure.values();
      const double w = estimatedTextWidth(said, metrics.fontPixels) + 4;
      const bool onTheLeft = cx + 3 + w > right;
      const double x0 = onTheLeft ? cx - 3 - w : cx + 3;
      shapes.push_back(ChartShape::rect(x0, metrics.laneTop(lane) + 1, w, metrics.laneHeight(lane) - 2, kBackground));
      shapes.push_back(ChartShape::label(onTheLeft ? x0 + w - 2 : x0 + 2, baselineOf(lane), said, kMismatch,
                            onTheLeft ? TextAlign::Right : TextAlign::Left));
    }
  }
  return picture;
}

}  // namespace velkor
