// The whole board at once: every output of a program evaluated against one
// set of inputs, each output exactly as its own simulation window does it
// (the chain strictly left to right, the pause ignored, the hold of each
// analog output kept from one change to the next).
#pragma once

#include <array>
#include <cstdint>

#include "image/program_images.h"
#include "simulation/runs.h"

namespace velkor {

constexpr int kLogicOutputCount = kLogicPageCount;
constexpr int kAnalogOutputCount = kPageCount - kLogicPageCount;
// Range of an analog input, in millivolts.
constexpr int kAnalogInputMax = 5100;
// What an analog output can show: the four digits of its image (the editor
// keeps them within 5100, a file made otherwise may not).
constexpr int kAnalogOutputMax = 9999;

struct BoardInputs {
  std::array<bool, kLogicInputCount> logic{};  // EL1..EL7
  std::array<int, kAnalogInputCount> analog{};  // EA1..EA4, mV
  friend bool operator==(const BoardInputs&, const BoardInputs&) = default;
};

struct BoardOutputs {
  std::array<bool, kLogicOutputCount> logic{};  // SL1..SL7 active
  std::array<int, kAnalogOutputCount> analog{};  // SA1..SA4, the millivolts shown
  friend bool operator==(const BoardOutputs&, const BoardOutputs&) = default;
};

// The value an output shows, by page (1-7 SL1-SL7, 8-11 SA1-SA4): 0 or 1,
// or millivolts.
int outputValue(const BoardOutputs& outputs, int page);

class BoardSimulation {
 public:
  // Every input at 0, every hold released, the empty program.
  BoardSimulation();

  // Follows a new program. An output whose image changed starts again (its
  // hold released); the others keep their state.
  void setProgram(const ProgramImages& images);
  void setInputs(const BoardInputs& inputs);
  // Releases every hold: each analog output shows what its chain gives now.
  void releaseHolds();

  const BoardInputs& inputs() const { return inputs_; }
  const BoardOutputs& outputs() const { return outputs_; }

 private:
  void evaluate();

  ProgramImages images_;
  std::array<LogicSimulation, kLogicOutputCount> logic_;
  std::array<AnalogSimulation, kAnalogOutputCount> analog_;
  BoardInputs inputs_;
  InputState state_;  // the inputs as the per-output evaluation reads them
  BoardOutputs outputs_;
};

// The millivolts of an analog output's display ("2500   " gives 2500).
int displayedMillivolts(std::string_view display);

}  // namespace velkor
