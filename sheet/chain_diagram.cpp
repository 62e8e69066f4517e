#include "sheet/chain_diagram.h"

namespace velkor {
namespace {

constexpr double kFont = 8;
constexpr double kRow = 26;          // one condition's row
constexpr double kBoxWidth = 124;    // a condition's box, and the output's
constexpr double kBoxMargin = 3;     // between a box and its row's edges
constexpr double kFirstGate = kBoxWidth + 16;
constexpr double kGateWidth = 20;
constexpr double kGateStep = 34;     // from one gate to the next
constexpr double kGateOverhang = 6;  // of a gate beyond the wires it takes
constexpr double kElbow = (kGateStep - kGateWidth) / 2;  // where a result turns down to the next gate
constexpr double kOutputWire = 22;

constexpr ChartColor kInput{0, 0, 128};  // as the timing chart's lanes
constexpr ChartColor kOutput{0, 128, 0};
constexpr ChartColor kInputFill{238, 238, 250};
constexpr ChartColor kOutputFill{232, 246, 232};
constexpr ChartColor kGateFill{255, 255, 255};
constexpr ChartColor kWire{64, 64, 64};
constexpr ChartColor kText{0, 0, 0};
constexpr ChartColor kNameText{80, 80, 80};

double rowMiddle(std::size_t row) { return double(row) * kRow + kRow / 2; }

// A box with its id (and threshold) above its name, cut to fit.
void box(std::vector<ChartShape>& shapes, double left, double middle, const std::string& id, const std::string& name,
         ChartColor line, ChartColor fill) {
  const double top = middle - kRow / 2 + kBoxMargin, height = kRow - 2 * kBoxMargin;
  shapes.push_back(ChartShape::rect(left, top, kBoxWidth, height, fill));
  shapes.push_back(ChartShape::polyline(
      {{left, top}, {left + kBoxWidth, top}, {left + kBoxWidth, top + height}, {left, top + height}, {left, top}}, line));
  const auto room = std::size_t((kBoxWidth - 8) / estimatedTextWidth("x", kFont));
  if (name.empty()) {
    shapes.push_back(ChartShape::label(left + 4, middle + 0.35 * kFont, cutText(id, room), line));
    return;
  }
  shapes.push_back(ChartShape::label(left + 4, middle - 1.5, cutText(id, room), line));
  shapes.push_back(ChartShape::label(left + 4, middle + kFont, cutText(name, room), kNameText));
}

// The gate of link `k` (1 for the first), spanning the rows of its two
// inputs: the result so far on row k - 1, the next condition on row k.
void gate(std::vector<ChartShape>& shapes, std::size_t k, const std::string& link) {
  const double left = kFirstGate + double(k - 1) * kGateStep;
  const double top = rowMiddle(k - 1) - kGateOverhang, bottom = rowMiddle(k) + kGateOverhang;
  shapes.push_back(ChartShape::rect(left, top, kGateWidth, bottom - top, kGateFill));
  shapes.push_back(ChartShape::polyline(
      {{left, top}, {left + kGateWidth, top}, {left + kGateWidth, bottom}, {left, bottom}, {left, top}}, kWire, 1.2));
  shapes.push_back(ChartShape::label(left + kGateWidth / 2, (top + bottom) / 2 + 0.35 * kFont, link, kText,
                                     TextAlign::Centre));
}

}  // namespace

ChartPicture chainDiagram(const OutputSummary& output, const ProgramNames& names) {
  ChartPicture picture;
  picture.fontPixels = kFont;
  picture.hairlines = false;
  auto& shapes = picture.shapes;
  const std::size_t count = output.conditions.size();
  const std::size_t gates = count > 0 ? count - 1 : 0;

  // Where the result leaves: the last gate's middle, or the only condition's row.
  const double resultX = gates > 0 ? kFirstGate + double(gates - 1) * kGateStep + kGateWidth : kBoxWidth;
  const double resultY = gates > 0 ? (rowMiddle(gates - 1) + rowMiddle(gates)) / 2 : rowMiddle(0);
  const double outputLeft = resultX + kOutputWire;
  picture.width = int(outputLeft + kBoxWidth + 2);
  picture.height = int(double(std::max<std::size_t>(count, 1)) * kRow + 1);

  for (std::size_t j = 0; j < count; ++j) {
    const std::string& token = output.conditions[j];
    std::string id = token;
    for (const ThresholdSummary& t : output.thresholds)
      if (token == "EA" + std::to_string(t.input)) id += " " + thresholdText(t);
    const auto signal = conditionSignal(token);
    box(shapes, 0, rowMiddle(j), id, signal ? names.label(*signal) : std::string(), kInput, kInputFill);
    // Condition j goes into gate j (the first two both into gate 1).
    const double wireEnd = gates == 0 ? outputLeft : kFirstGate + double(std::max<std::size_t>(j, 1) - 1) * kGateStep;
    shapes.push_back(ChartShape::line(kBoxWidth, rowMiddle(j), wireEnd, rowMiddle(j), kWire));
  }
  for (std::size_t k = 1; k <= gates; ++k) {
    gate(shapes, k, output.links[k - 1]);
    if (k == gates) break;
    // Its result goes down into the next gate, beside the next condition.
    const double from = kFirstGate + double(k - 1) * kGateStep + kGateWidth;
    const double to = from - kGateWidth + kGateStep;
    const double middle = (rowMiddle(k - 1) + rowMiddle(k)) / 2;
    shapes.push_back(ChartShape::polyline(
        {{from, middle}, {to - kElbow, middle}, {to - kElbow, rowMiddle(k)}, {to, rowMiddle(k)}}, kWire));
  }
  if (gates > 0) shapes.push_back(ChartShape::line(resultX, resultY, outputLeft, resultY, kWire));
  if (count == 0)
    shapes.push_back(ChartShape::label(outputLeft - 6, resultY + 0.35 * kFont, "aucune condition", kText, TextAlign::Right));

  std::string id = output.name;
  if (!isLogicPage(output.page)) id += " : " + std::to_string(output.voltageMv) + " mV";
  box(shapes, outputLeft, resultY, id, names.label(outputSignal(output.page)), kOutput, kOutputFill);
  return picture;
}

}  // namespace velkor
