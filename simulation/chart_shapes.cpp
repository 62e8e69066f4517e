// Shapes and text measures for pictures made of chart shapes (the timing
// chart, the program sheet's diagrams), and the room the chart's lane names take.
#include <algorithm>

#include "document/program_names.h"
#include "simulation/chart.h"

namespace velkor {
namespace {

constexpr std::size_t kLongestName = 24;  // characters shown of a lane's name

bool continuesCharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::size_t characters(std::string_view s) {
  return std::size_t(std::count_if(s.begin(), s.end(), [](char c) { return !continuesCharacter(c); }));
}

double charactersWidth(std::size_t count, double fontPixels) { return 0.6 * fontPixels * double(count); }

}  // namespace

double estimatedTextWidth(std::string_view s, double fontPixels) { return charactersWidth(characters(s), fontPixels); }

std::string cutText(const std::string& s, std::size_t count) {
  if (characters(s) <= count) return s;
  std::size_t at = 0;
  for (std::size_t kept = 0; kept + 1 < count; ++kept) {
    ++at;
    while (at < s.size() && continuesCharacter(s[at])) ++at;
  }
  return s.substr(0, at) + "…";
}

ChartShape ChartShape::rect(double x, double y, double w, double h, ChartColor color) {
  return {Kind::Rect, color, {{x, y}, {w, h}}, 1, {}, TextAlign::Left};
}

ChartShape ChartShape::polyline(std::vector<ChartPoint> points, ChartColor color, double width) {
  return {Kind::Polyline, color, std::move(points), width, {}, TextAlign::Left};
}

ChartShape ChartShape::line(double x1, double y1, double x2, double y2, ChartColor color, double width) {
  return polyline({{x1, y1}, {x2, y2}}, color, width);
}

ChartShape ChartShape::label(double x, double y, std::string text, ChartColor color, TextAlign align) {
  return {Kind::Text, color, {{x, y}}, 1, std::move(text), align};
}

double ChartMetrics::laneNameLeft() const {
  return 4 + estimatedTextWidth("SA4", fontPixels) + 0.4 * fontPixels;
}

ChartMetrics ChartMetrics::fittingNames(const ProgramNames& names) const {
  std::size_t longest = 0;
  for (int lane = 0; lane < kLaneCount; ++lane) longest = std::max(longest, characters(names.label(lane)));
  ChartMetrics m = *this;
  if (longest > 0)
    m.nameWidth = std::max(nameWidth, laneNameLeft() + charactersWidth(std::min(longest, kLongestName), fontPixels) + 6);
  return m;
}

}  // namespace velkor
