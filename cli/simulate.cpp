#include "cli/simulate.h"

#include <iostream>
#include <optional>

#include "cli/console.h"
#include "cli/file_arguments.h"
#include "cli/qt_exports.h"
#include "simulation/chart.h"
#include "simulation/expectations.h"
#include "simulation/scenario.h"

namespace velkor {
namespace {

// Width of the chart of a run, in pixels.
constexpr int kChartWidth = 1200;

struct Options {
  std::string program, scenario, svg, png, expect;
};

std::optional<std::string> readOptions(const std::vector<std::string>& args, Options& o) {
  std::vector<std::string> files;
  if (auto error = readFileArguments(args, {{"--svg", &o.svg}, {"--png", &o.png}, {"--expect", &o.expect}}, files))
    return error;
  if (files.size() != 2) return "simulate attend FICHIER SCENARIO.csv";
  o.program = files[0];
  o.scenario = files[1];
  return std::nullopt;
}

// The run's chart, from its first row to a little after its last.
ChartPicture runChart(const std::vector<ScenarioRow>& rows, const std::vector<BoardOutputs>& outputs,
                      const ProgramNames* names) {
  Trace trace(rows.size() + 1);
  trace.record(0, BoardState{});
  for (std::size_t i = 0; i < rows.size(); ++i) trace.record(rows[i].timeMs, {rows[i].inputs, outputs[i]});
  const std::int64_t last = rows.empty() ? 0 : rows.back().timeMs;
  const std::int64_t end = std::max<std::int64_t>(1000, last + std::max<std::int64_t>(last / 20, 100));
  const ChartMetrics metrics = names ? ChartMetrics{}.fittingNames(*names) : ChartMetrics{};
  return drawChart(trace, ChartView{0, end, end, std::nullopt}, kChartWidth, metrics, {}, names);
}

}  // namespace

std::string scenarioProblem(const std::string& path, const ParsedScenario& scenario) {
  if (scenario.errorLine == 0) return "impossible de lire le scénario " + path + " : " + scenario.error;
  return path + ", ligne " + std::to_string(scenario.errorLine) + " : " + scenario.error;
}

int simulateCommand(const std::vector<std::string>& args, const std::function<int(std::string_view)>& usageError) {
  Options options;
  if (auto error = readOptions(args, options)) return usageError(*error);

  const ParsedScenario scenario = readScenarioFile(options.scenario);
  if (scenario.errorLine == 0 && !scenario.error.empty())
    return usageError(scenarioProblem(options.scenario, scenario));
  if (!scenario.error.empty()) {
    // The line is what the user needs; the whole usage would bury it.
    std::cerr << "velkor-cli : " << scenarioProblem(options.scenario, scenario) << "\n";
    return kExitUsage;
  }

  // Read as the other commands read it: a damaged file is run as far as it
  // goes and told at the end.
  Program program;
  const auto outcome = openProgram(program, options.program);
  if (!outcome) return kExitRefused;
  const auto finish = [&](int code) { return reportDamage(fileNameOf(options.program), outcome->damaged, code); };
  program.construireImages();  // as "Simuler" does before opening its window

  const std::vector<BoardOutputs> outputs = runScenario(program.images, scenario.rows);
  std::string csv(kOutputsHeader);
  csv += '\n';
  csv.reserve(csv.size() + outputs.size() * 40);
  for (std::size_t i = 0; i < outputs.size(); ++i) (csv += outputsRow(scenario.rows[i].timeMs, outputs[i])) += '\n';
  std::cout << csv;
  std::cout.flush();
  if (!std::cout) return kExitOutput;  // lost (closed, disk full): told by the caller

  bool written = true;
  if (!options.expect.empty())
    written = writeOutputFile(options.expect, scenarioText(expectingTheRun(scenario.rows, outputs)));
  if (options.svg.empty() && options.png.empty()) return finish(written ? kExitDone : kExitFailed);
  // The chart's lanes show the names; the CSV keeps the ids.
  const ChartPicture chart = runChart(scenario.rows, outputs, &program.document.names);
  if (!options.svg.empty()) written = writeOutputFile(options.svg, chartSvg(chart)) && written;
  if (!options.png.empty()) {
    std::string whyNot;
    const auto png = chartPng(chart, whyNot);
    written = writeOutputFile(options.png, png, whyNot) && written;
  }
  return reportNames(options.program, outcome->namesProblem, finish(written ? kExitDone : kExitFailed));
}

}  // namespace velkor
