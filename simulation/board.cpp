#include "simulation/board.h"

#include "document/text_rules.h"

namespace velkor {

namespace {
std::size_t at(int n) { return static_cast<std::size_t>(n); }
}  // namespace

int outputValue(const BoardOutputs& outputs, int page) {
  return isLogicPage(page) ? outputs.logic[at(page - 1)] : outputs.analog[at(analogOutputOf(page) - 1)];
}

BoardSimulation::BoardSimulation() {
  for (int n = 0; n < kLogicOutputCount; ++n) logic_[at(n)].start(images_[n + 1]);
  for (int n = 0; n < kAnalogOutputCount; ++n) analog_[at(n)].start(images_[pageOfAnalogOutput(n + 1)]);
  evaluate();
}

void BoardSimulation::setProgram(const ProgramImages& images) {
  for (int page = 1; page <= kPageCount; ++page) {
    if (images[page] == images_[page]) continue;
    images_[page] = images[page];
    if (isLogicPage(page)) logic_[at(page - 1)].start(images_[page]);
    else analog_[at(analogOutputOf(page) - 1)].start(images_[page]);
  }
  evaluate();
}

void BoardSimulation::setInputs(const BoardInputs& inputs) {
  inputs_ = inputs;
  state_.logic = inputs.logic;
  for (int k = 0; k < kAnalogInputCount; ++k) state_.analogText[at(k)] = std::to_string(inputs.analog[at(k)]);
  evaluate();
}

void BoardSimulation::releaseHolds() {
  for (int n = 0; n < kAnalogOutputCount; ++n) analog_[at(n)].start(images_[pageOfAnalogOutput(n + 1)]);
  evaluate();
}

void BoardSimulation::evaluate() {
  for (int n = 0; n < kLogicOutputCount; ++n) outputs_.logic[at(n)] = logic_[at(n)].evaluate(state_);
  for (int n = 0; n < kAnalogOutputCount; ++n)
    outputs_.analog[at(n)] = displayedMillivolts(analog_[at(n)].pass(state_));
}

int displayedMillivolts(std::string_view display) { return analogInputValue(trimBlanks(display)); }

}  // namespace velkor
