// The outputs of a scenario as each output's own simulation gives them, one
// output at a time, and random scenarios to run them on.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "document/text_rules.h"
#include "image/program.h"
#include "simulation/runs.h"
#include "simulation/scenario.h"

namespace velkor::testing_support {

inline InputState inputState(const BoardInputs& in) {
  InputState state;
  state.logic = in.logic;
  for (std::size_t k = 0; k < 4; ++k) state.analogText[k] = std::to_string(in.analog[k]);
  return state;
}

// Row by row, as "time_ms,SL1,...,SA4" lines.
inline std::vector<std::string> referenceRun(const ProgramImages& images, const std::vector<ScenarioRow>& rows) {
  std::vector<LogicSimulation> logic(7);
  std::vector<AnalogSimulation> analog(4);
  for (int n = 0; n < 7; ++n) logic[std::size_t(n)].start(images[n + 1]);
  for (int n = 0; n < 4; ++n) analog[std::size_t(n)].start(images[n + 8]);
  std::vector<std::string> lines;
  for (const ScenarioRow& row : rows) {
    const InputState state = inputState(row.inputs);
    std::string line = std::to_string(row.timeMs);
    for (auto& output : logic) line += output.evaluate(state) ? ",1" : ",0";
    for (auto& output : analog) line += "," + std::string(stripLeadingZeros(trimBlanks(output.pass(state))));
    lines.push_back(line);
  }
  return lines;
}

// Rows that toggle a few logic inputs at a time and set the analog inputs at,
// around and far from the program's thresholds.
inline std::vector<ScenarioRow> randomRows(std::mt19937& rng, const ProgramDocument& doc, int count) {
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::vector<int> nearby{0, kAnalogInputMax};
  for (int page = 1; page <= 7; ++page)
    for (int k = 1; k <= 4; ++k) {
      const int t = int(readWholeNumber(doc.page(page).threshold(k).value).value_or(0));
      for (int v : {t - 1, t, t + 1})
        if (v >= 0 && v <= kAnalogInputMax) nearby.push_back(v);
    }
  std::vector<ScenarioRow> rows;
  ScenarioRow row;
  for (int i = 0; i < count; ++i) {
    row.timeMs += pick(0, 3) == 0 ? 0 : pick(1, 300);
    for (int flips = pick(0, 2); flips > 0; --flips) {
      bool& input = row.inputs.logic[std::size_t(pick(0, 6))];
      input = !input;
    }
    if (pick(0, 2) == 0) {
      int& input = row.inputs.analog[std::size_t(pick(0, 3))];
      input = pick(0, 1) ? nearby[std::size_t(pick(0, int(nearby.size()) - 1))] : pick(0, kAnalogInputMax);
    }
    rows.push_back(row);
  }
  return rows;
}

}  // namespace velkor::testing_support
