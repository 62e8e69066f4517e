// The results of `velkor-cli test` as JUnit XML, the format CI systems read:
// a testsuite per scenario, a testcase per row that checks outputs, and a
// failure naming each output that differed, what was expected and what came.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "simulation/expectations.h"

namespace velkor {

class JunitReport {
 public:
  void addScenario(std::string_view name, const std::vector<ScenarioRow>& rows, const RunCheck& check);
  // A scenario that could not be read: a suite with one error.
  void addRefused(std::string_view name, std::string_view problem);
  // The whole document; `name` names the run (the program file).
  std::string xml(std::string_view name) const;

 private:
  std::string suites_;
  std::size_t tests_ = 0, failures_ = 0, errors_ = 0;
};

}  // namespace velkor
