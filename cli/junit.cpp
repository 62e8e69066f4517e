#include "cli/junit.h"

#include "simulation/xml_text.h"

namespace velkor {
namespace {

std::string attribute(std::string_view name, std::string_view value) {
  return " " + std::string(name) + "=\"" + xmlText(value) + "\"";
}

std::string counts(std::size_t tests, std::size_t failures, std::size_t errors) {
  return attribute("tests", std::to_string(tests)) + attribute("failures", std::to_string(failures)) +
         attribute("errors", std::to_string(errors));
}

// The simulation takes no time worth telling.
const std::string kNoTime = attribute("time", "0");

}  // namespace

void JunitReport::addScenario(std::string_view name, const std::vector<ScenarioRow>& rows, const RunCheck& check) {
  std::string cases;
  std::size_t failed = 0;
  auto failure = check.failures.begin();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].expected.empty()) continue;
    const std::string caseName =
        "ligne " + std::to_string(rows[i].line) + " (t = " + std::to_string(rows[i].timeMs) + " ms)";
    cases += "    <testcase" + attribute("name", caseName) + attribute("classname", name) + kNoTime;
    std::string message, text;
    for (; failure != check.failures.end() && failure->row == i; ++failure) {
      message += (message.empty() ? "" : " ; ") + failure->what();
      text += failure->message(name) + "\n";
    }
    if (message.empty()) {
      cases += "/>\n";
      continue;
    }
    ++failed;
    cases += ">\n      <failure" + attribute("type", "attente") + attribute("message", message) + ">" + xmlText(text) +
             "</failure>\n    </testcase>\n";
  }
  suites_ += "  <testsuite" + attribute("name", name) + counts(check.rowsChecked, failed, 0) +
             attribute("skipped", "0") + kNoTime + (cases.empty() ? "/>\n" : ">\n" + cases + "  </testsuite>\n");
  tests_ += check.rowsChecked;
  failures_ += failed;
}

void JunitReport::addRefused(std::string_view name, std::string_view problem) {
  suites_ += "  <testsuite" + attribute("name", name) + counts(1, 0, 1) + attribute("skipped", "0") + kNoTime +
             ">\n    <testcase" + attribute("name", "lecture du scénario") + attribute("classname", name) + kNoTime +
             ">\n      <error" + attribute("type", "scénario incorrect") + attribute("message", problem) +
             "/>\n    </testcase>\n  </testsuite>\n";
  ++tests_;
  ++errors_;
}

std::string JunitReport::xml(std::string_view name) const {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites" + attribute("name", name) +
         counts(tests_, failures_, errors_) + kNoTime + ">\n" + suites_ + "</testsuites>\n";
}

}  // namespace velkor
