#include "simulation/expectations.h"

namespace velkor {

std::string ExpectationFailure::what() const {
  const std::string unit = isLogicPage(page) ? "" : " mV";
  return pageCaption(page) + " attendu " + std::to_string(expected) + unit + ", obtenu " + std::to_string(actual) +
         unit;
}

std::string ExpectationFailure::message(std::string_view scenarioName) const {
  return std::string(scenarioName) + ":" + std::to_string(line) + " (t = " + std::to_string(timeMs) +
         " ms) : " + what();
}

RunCheck checkRun(const std::vector<ScenarioRow>& rows, const std::vector<BoardOutputs>& outputs) {
  RunCheck check;
  for (std::size_t i = 0; i < rows.size() && i < outputs.size(); ++i) {
    const ScenarioRow& row = rows[i];
    if (row.expected.empty()) continue;
    ++check.rowsChecked;
    for (int page = 1; page <= kPageCount; ++page) {
      if (!row.expected.checks(page)) continue;
      ++check.expectations;
      const int actual = outputValue(outputs[i], page);
      if (actual != row.expected.value(page))
        check.failures.push_back({i, row.line, row.timeMs, page, row.expected.value(page), actual});
    }
  }
  return check;
}

}  // namespace velkor
