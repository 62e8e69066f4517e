#include "simulation/expectations.h"

namespace velkor {

std::string ExpectationFailure::what() const { return pageCaption(page) + " " + values(); }

std::string ExpectationFailure::values() const {
  const std::string unit = isLogicPage(page) ? "" : " mV";
  return "attendu " + std::to_string(expected) + unit + ", obtenu " + std::to_string(actual) + unit;
}

std::string ExpectationFailure::message(std::string_view scenarioName) const {
  return std::string(scenarioName) + ":" + std::to_string(line) + " (t = " + std::to_string(timeMs) +
         " ms) : " + what();
}

RunCheck checkRun(const std::vector<ScenarioRow>& rows, const std::vector<BoardOutputs>& outputs) {
  RunCheck check;
  for (std::size_t i = 0; i < rows.size() && i < outputs.size(); ++i) checkRow(check, rows, i, outputs[i]);
  return check;
}

void checkRow(RunCheck& check, const std::vector<ScenarioRow>& rows, std::size_t index, const BoardOutputs& outputs) {
  const ScenarioRow& row = rows.at(index);
  if (row.expected.empty()) return;
  ++check.rowsChecked;
  for (int page = 1; page <= kPageCount; ++page) {
    if (!row.expected.checks(page)) continue;
    ++check.expectations;
    const int actual = outputValue(outputs, page);
    if (actual != row.expected.value(page))
      check.failures.push_back({index, row.line, row.timeMs, page, row.expected.value(page), actual});
  }
}

std::string counted(std::size_t n, std::string_view one, std::string_view many) {
  return std::to_string(n) + " " + std::string(n > 1 ? many : one);
}

std::string expectationCounts(std::size_t expectations, std::size_t failures) {
  return counted(expectations, "attente", "attentes") + ", " + counted(failures, "échec", "échecs");
}

std::vector<ScenarioRow> expectingTheRun(std::vector<ScenarioRow> rows, const std::vector<BoardOutputs>& outputs) {
  for (std::size_t i = 0; i < rows.size() && i < outputs.size(); ++i)
    rows[i].expected = ExpectedOutputs::all(outputs[i]);
  return rows;
}

}  // namespace velkor
