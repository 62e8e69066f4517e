// The timing chart of a trace, drawn as a list of shapes: one lane per input
// and output, logic lanes as square waves, analog lanes as steps in mV, a
// time axis on top, and the value of every lane at the cursor (or at the
// last moment shown) beside its id and, when the program names it, its name.
// Outputs that differ from what a played scenario expects are marked in red
// on their lane. The window paints the shapes, the exports write them as SVG
// or PNG, so all three show the same picture.
#pragma once

#include <cstdint>
#include <deque>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "simulation/expectations.h"
#include "simulation/trace.h"

namespace velkor {

struct ProgramNames;

struct ChartColor {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const ChartColor&, const ChartColor&) = default;
};

struct ChartPoint {
  double x = 0, y = 0;
};

enum class TextAlign { Left, Centre, Right };

struct ChartShape {
  enum class Kind { Rect, Polyline, Text };
  Kind kind = Kind::Polyline;
  ChartColor color;
  std::vector<ChartPoint> points;  // Polyline; Rect: top left and size
  double penWidth = 1;
  std::string text;  // Text: at points[0], the baseline's start, middle or end
  TextAlign align = TextAlign::Left;

  static ChartShape rect(double x, double y, double w, double h, ChartColor color);
  static ChartShape polyline(std::vector<ChartPoint> points, ChartColor color, double width = 1);
  static ChartShape line(double x1, double y1, double x2, double y2, ChartColor color, double width = 1);
  static ChartShape label(double x, double y, std::string text, ChartColor color, TextAlign align = TextAlign::Left);
};

struct ChartPicture {
  int width = 0, height = 0;
  double fontPixels = 11;
  // Lines one device pixel wide whatever the scale, as a screen wants them;
  // false: their widths are in the picture's units, for print.
  bool hairlines = true;
  std::vector<ChartShape> shapes;
};

// Sizes in pixels; the window scales them with its font.
struct ChartMetrics {
  double fontPixels = 11;
  double axisHeight = 20;
  double logicLaneHeight = 14;
  double analogLaneHeight = 22;
  double nameWidth = 34;
  double valueWidth = 40;
  double rightMargin = 20;

  double plotLeft() const { return nameWidth + valueWidth; }
  int height() const;
  double laneTop(int lane) const;
  double laneHeight(int lane) const { return isLogicLane(lane) ? logicLaneHeight : analogLaneHeight; }
  static ChartMetrics scaled(double factor);
  // These metrics with the column of ids wide enough for the lanes' names
  // too (the longest names are cut to about 24 characters).
  ChartMetrics fittingNames(const ProgramNames& names) const;
  // Where a lane's name starts, after the longest id.
  double laneNameLeft() const;
};

// What part of the trace is shown.
struct ChartView {
  std::int64_t startMs = 0;
  std::int64_t endMs = 10'000;
  std::int64_t nowMs = 0;  // the trace's last state lasts until now
  std::optional<std::int64_t> cursorMs;
};

// An output that differed from what its scenario row expected, from the
// row's time until the next row's (or the next change): a red mark at the
// row on the output's lane, a pale red band while it lasts, and at the
// cursor what was expected and what came.
struct ChartMismatch {
  ExpectationFailure failure;
  std::int64_t untilMs = std::numeric_limits<std::int64_t>::max();  // still in force
};
// In the order of their rows.
using ChartMismatches = std::deque<ChartMismatch>;

// With `names`, each named lane's name follows its id ("EL1 Bouton
// marche"), cut to what the metrics leave room for (see fittingNames).
ChartPicture drawChart(const Trace& trace, const ChartView& view, int width, const ChartMetrics& metrics = {},
                       const ChartMismatches& mismatches = {}, const ProgramNames* names = nullptr);

// The time under a horizontal position of a chart `width` wide, and back.
double timeAtX(double x, const ChartView& view, int width, const ChartMetrics& metrics);
double xAtTime(double timeMs, const ChartView& view, int width, const ChartMetrics& metrics);

// The width of a text in a picture, near enough for placing it: 0.6 em a
// character.
double estimatedTextWidth(std::string_view text, double fontPixels);
// `text` cut to `count` characters, the last of them "…" when cut.
std::string cutText(const std::string& text, std::size_t count);

// A time as the chart writes it: "0 s", "1,5 s", "12,25 s".
std::string timeLabel(std::int64_t ms);

// The picture as an SVG document.
std::string chartSvg(const ChartPicture& picture);

}  // namespace velkor
