// A run held against the outputs its scenario expects: which rows and
// outputs differ, what was expected and what came. `velkor-cli test` and the
// board window tell the same failures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "simulation/scenario.h"

namespace velkor {

struct ExpectationFailure {
  std::size_t row = 0;  // in the scenario's rows
  int line = 0;         // in its file (the header is line 1)
  std::int64_t timeMs = 0;
  int page = 0;         // the output: 1-7 SL1-SL7, 8-11 SA1-SA4
  int expected = 0;
  int actual = 0;

  // "SL3 attendu 1, obtenu 0", "SA1 attendu 2500 mV, obtenu 0 mV"
  std::string what() const;
  // The same without the output: "attendu 1, obtenu 0", as the chart's cursor reads it.
  std::string values() const;
  // "essai.csv:19 (t = 4500 ms) : SL3 attendu 1, obtenu 0"
  std::string message(std::string_view scenarioName) const;
};

struct RunCheck {
  std::size_t expectations = 0;  // values checked
  std::size_t rowsChecked = 0;   // rows that check at least one output
  std::vector<ExpectationFailure> failures;  // row by row, SL1 to SA4 within a row
};

// `outputs[i]` are the outputs after `rows[i]` (see runScenario).
RunCheck checkRun(const std::vector<ScenarioRow>& rows, const std::vector<BoardOutputs>& outputs);
// Holds `rows[index]` against the outputs it left, adding to `check`: for a
// run checked row by row as it is played.
void checkRow(RunCheck& check, const std::vector<ScenarioRow>& rows, std::size_t index, const BoardOutputs& outputs);

// "120 attentes, 1 échec"
std::string expectationCounts(std::size_t expectations, std::size_t failures);
// "1 échec", "3 échecs"
std::string counted(std::size_t n, std::string_view one, std::string_view many);

// The rows, each expecting every output as the run left it: a good run
// recorded, to test later changes against. `outputs[i]` follow `rows[i]`.
std::vector<ScenarioRow> expectingTheRun(std::vector<ScenarioRow> rows, const std::vector<BoardOutputs>& outputs);

}  // namespace velkor
