// One simulation run of one output, without a window: what its start sets
// up and what each pass shows. The simulation windows and the command line
// drive these the same way.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "simulation/chain.h"

namespace velkor {

// What the start of a run sets up: the inputs the chain uses up to its first
// empty condition, and the text each analog input starts with.
struct RunStart {
  std::array<bool, kLogicInputCount> logicEnabled{};
  std::array<bool, kAnalogInputCount> analogEnabled{};
  std::array<std::string, kAnalogInputCount> analogText{"0", "0", "0", "0"};

  // The inputs as the start leaves them: logic inputs unticked, analog
  // inputs at their starting text.
  InputState inputs() const;
};

// Caption of the logic output's state.
constexpr std::string_view outputStateCaption(bool active) { return active ? "active" : "inactive"; }

// Logic output: conditions on EL1-EL7 and on EA1-EA4 against thresholds.
class LogicSimulation {
 public:
  static constexpr int kSlots = 11;

  // Takes its own copy of the image. The thresholds of inputs the chain
  // uses are read from it; the others keep their value from earlier runs.
  RunStart start(std::string image);

  bool evaluateCondition(unsigned char code, const InputState& inputs) const;
  // The output's state for one pass.
  bool evaluate(const InputState& inputs) const;

  std::int32_t threshold(int k) const { return thresholds_.at(static_cast<std::size_t>(k - 1)); }
  const std::string& image() const { return image_; }

 private:
  std::string image_;
  std::array<std::int32_t, kAnalogInputCount> thresholds_{};
};

// Analog output: conditions on EL1-EL7 only, a voltage and its hold flag.
class AnalogSimulation {
 public:
  static constexpr int kSlots = 7;
  // What the display shows while the output is not driven.
  static constexpr std::string_view kNotDriven = "0      ";

  // Takes its own copy of the image; the display goes back to kNotDriven.
  RunStart start(std::string image);

  static bool evaluateCondition(unsigned char code, const InputState& inputs);
  bool evaluate(const InputState& inputs) const;

  // One pass: a true chain shows the voltage; a false one shows kNotDriven
  // with hold flag "F" and leaves the display as it is with any other, so
  // that under "V" the voltage stays once shown. Returns the display.
  const std::string& pass(const InputState& inputs);

  const std::string& display() const { return display_; }
  const std::string& voltageText() const { return voltageText_; }
  const std::string& image() const { return image_; }

 private:
  std::string image_;
  std::string voltageText_{kNotDriven};
  std::string display_{kNotDriven};
};

// The voltage of an analog image as shown: its four digits without leading
// zeros (one digit kept), padded with blanks to 7 characters.
std::string voltageText(std::string_view image);

}  // namespace velkor
