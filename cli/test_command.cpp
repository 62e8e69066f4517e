#include "cli/test_command.h"

#include <iostream>

#include "cli/console.h"
#include "cli/file_arguments.h"
#include "cli/junit.h"
#include "cli/simulate.h"
#include "simulation/expectations.h"

namespace velkor {

int testCommand(const std::vector<std::string>& args, const std::function<int(std::string_view)>& usageError) {
  std::string junit;
  std::vector<std::string> files;
  if (auto error = readFileArguments(args, {{"--junit", &junit}}, files)) return usageError(*error);
  if (files.size() < 2) return usageError("test attend FICHIER SCENARIO.csv [SCENARIO.csv ...]");

  Program program;
  const auto outcome = openProgram(program, files[0]);
  if (!outcome) return kExitRefused;
  program.construireImages();  // as "Simuler" does before opening its window

  JunitReport report;
  std::size_t scenarios = 0, refused = 0, expectations = 0, failures = 0;
  for (auto path = files.begin() + 1; path != files.end(); ++path) {
    // One at a time: a scenario may be large, and only its counts are kept.
    const ParsedScenario scenario = readScenarioFile(*path);
    if (!scenario.error.empty()) {
      ++refused;
      std::cerr << "velkor-cli : " << scenarioProblem(*path, scenario) << "\n";
      report.addRefused(*path, scenarioProblem(*path, scenario));
      continue;
    }
    const RunCheck check = checkRun(scenario.rows, runScenario(program.images, scenario.rows));
    for (const ExpectationFailure& f : check.failures) std::cout << f.message(*path) << "\n";
    if (check.expectations == 0)
      std::cerr << "velkor-cli : " << *path << " n'attend rien : aucune valeur dans des colonnes SL1 à SA4\n";
    report.addScenario(*path, scenario.rows, check);
    ++scenarios;
    expectations += check.expectations;
    failures += check.failures.size();
  }
  std::cout << counted(scenarios, "scénario", "scénarios") << ", " << expectationCounts(expectations, failures)
            << (refused ? ", " + counted(refused, "scénario refusé", "scénarios refusés") : "") << "\n";
  std::cout.flush();

  const bool written = junit.empty() || writeOutputFile(junit, report.xml(fileNameOf(files[0])));
  const int code = refused      ? kExitUsage
                   : failures   ? kExitExpectation
                   : !written   ? kExitFailed
                                : kExitDone;
  return reportDamage(fileNameOf(files[0]), outcome->damaged, code);
}

}  // namespace velkor
