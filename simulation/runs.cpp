#include "simulation/runs.h"

#include "document/text_rules.h"

namespace velkor {

namespace {

constexpr std::size_t kThresholdDigits = 4;
constexpr std::size_t kVoltageDigits = 4;
constexpr std::size_t kDisplayWidth = 7;

std::size_t index(int k) { return static_cast<std::size_t>(k - 1); }

// The bytes of [position, position + count) that the image holds.
std::string_view imageField(std::string_view image, std::size_t position, std::size_t count) {
  if (position < 1 || position > image.size()) return {};
  return image.substr(position - 1, count);
}

bool logicInputTicked(unsigned char code, const InputState& inputs) {
  return isLogicInputCode(code) && inputs.logic[index(code)];
}

}  // namespace

InputState RunStart::inputs() const {
  InputState state;
  state.analogText = analogText;
  return state;
}

RunStart LogicSimulation::start(std::string image) {
  image_ = std::move(image);
  RunStart setup;
  for (int j = 1; j <= kSlots; ++j) {
    const auto code = imageByte(image_, codePosition(j));
    if (!code || *code == kEmptyCode) break;
    if (isLogicInputCode(*code)) {
      setup.logicEnabled[index(*code)] = true;
    } else if (isAnalogInputCode(*code)) {
      const int k = *code - 7;
      // A threshold that is not digits (a faulty board) counts as 0.
      const long value =
          readWholeNumber(imageField(image_, thresholdPosition(k), kThresholdDigits)).value_or(0);
      thresholds_[index(k)] = static_cast<std::int32_t>(value);
      setup.analogEnabled[index(k)] = true;
      setup.analogText[index(k)] = std::to_string(value);
    }
  }
  return setup;
}

bool LogicSimulation::evaluateCondition(unsigned char code, const InputState& inputs) const {
  if (isLogicInputCode(code)) return logicInputTicked(code, inputs);
  if (!isAnalogInputCode(code)) return false;
  const int k = code - 7;
  const std::int32_t value = analogInputValue(inputs.analogText[index(k)]);
  const auto comparator = imageByte(image_, comparatorPosition(k));
  // Strict both ways: a value at its threshold is false with either comparator.
  if (comparator == 'U') return value > thresholds_[index(k)];
  return value < thresholds_[index(k)];
}

bool LogicSimulation::evaluate(const InputState& inputs) const {
  return foldChain(image_, kSlots, [&](unsigned char code) { return evaluateCondition(code, inputs); });
}

std::string voltageText(std::string_view image) {
  std::string text = stripLeadingZeros(imageField(image, voltagePosition, kVoltageDigits));
  if (text.size() < kDisplayWidth) text.append(kDisplayWidth - text.size(), ' ');
  return text;
}

RunStart AnalogSimulation::start(std::string image) {
  image_ = std::move(image);
  display_ = kNotDriven;
  RunStart setup;
  for (int j = 1; j <= kSlots; ++j) {
    const auto code = imageByte(image_, codePosition(j));
    if (!code || *code == kEmptyCode) break;
    if (isLogicInputCode(*code)) setup.logicEnabled[index(*code)] = true;
  }
  voltageText_ = velkor::voltageText(image_);
  return setup;
}

bool AnalogSimulation::evaluateCondition(unsigned char code, const InputState& inputs) {
  return logicInputTicked(code, inputs);
}

bool AnalogSimulation::evaluate(const InputState& inputs) const {
  return foldChain(image_, kSlots, [&](unsigned char code) { return evaluateCondition(code, inputs); });
}

const std::string& AnalogSimulation::pass(const InputState& inputs) {
  if (evaluate(inputs)) display_ = voltageText_;
  else if (imageByte(image_, holdPosition) == 'F') display_ = kNotDriven;
  return display_;
}

}  // namespace velkor
