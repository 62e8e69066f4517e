#include "cli/simulate.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>

#include "cli/chart_png.h"
#include "cli/console.h"
#include "image/safe_write.h"
#include "simulation/chart.h"
#include "simulation/scenario.h"

namespace velkor {
namespace {

// Width of the chart of a run, in pixels.
constexpr int kChartWidth = 1200;

struct Options {
  std::string program, scenario, svg, png;
};

std::optional<std::string> readOptions(const std::vector<std::string>& args, Options& o) {
  std::vector<std::string> files;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string* target = args[i] == "--svg" ? &o.svg : args[i] == "--png" ? &o.png : nullptr;
    if (target) {
      if (i + 1 >= args.size()) return args[i] + " attend un nom de fichier";
      *target = args[++i];
    } else if (args[i].starts_with("--svg=")) {
      o.svg = args[i].substr(6);
    } else if (args[i].starts_with("--png=")) {
      o.png = args[i].substr(6);
    } else if (args[i].starts_with("--")) {
      return "option inconnue : " + args[i];
    } else {
      files.push_back(args[i]);
    }
  }
  if (files.size() != 2) return "simulate attend FICHIER SCENARIO.csv";
  o.program = files[0];
  o.scenario = files[1];
  return std::nullopt;
}

std::optional<std::string> readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return text;
}

// The run's chart, from its first row to a little after its last.
ChartPicture runChart(const std::vector<ScenarioRow>& rows, const std::vector<BoardOutputs>& outputs) {
  Trace trace(rows.size() + 1);
  trace.record(0, BoardState{});
  for (std::size_t i = 0; i < rows.size(); ++i) trace.record(rows[i].timeMs, {rows[i].inputs, outputs[i]});
  const std::int64_t last = rows.empty() ? 0 : rows.back().timeMs;
  const std::int64_t end = std::max<std::int64_t>(1000, last + std::max<std::int64_t>(last / 20, 100));
  return drawChart(trace, ChartView{0, end, end, std::nullopt}, kChartWidth);
}

bool writeChart(const std::string& path, const std::optional<std::string>& bytes, const std::string& whyNot) {
  if (!bytes) {
    std::cerr << "velkor-cli : " << whyNot << "\n";
    return false;
  }
  if (auto error = writeFileSafely(path, *bytes)) {
    std::cerr << "velkor-cli : impossible d'écrire " << path << " : " << *error << "\n";
    return false;
  }
  return true;
}

}  // namespace

int simulateCommand(const std::vector<std::string>& args, const std::function<int(std::string_view)>& usageError) {
  Options options;
  if (auto error = readOptions(args, options)) return usageError(*error);

  const auto text = readWholeFile(options.scenario);
  if (!text) return usageError("impossible de lire le scénario " + options.scenario);
  const ParsedScenario scenario = parseScenario(*text);
  if (!scenario.error.empty()) {
    // The line is what the user needs; the whole usage would bury it.
    std::cerr << "velkor-cli : " << options.scenario << ", ligne " << scenario.errorLine << " : " << scenario.error
              << "\n";
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
  if (!std::cout) return kExitFailed;  // output lost (closed pipe, full disk)

  if (options.svg.empty() && options.png.empty()) return finish(kExitDone);
  const ChartPicture chart = runChart(scenario.rows, outputs);
  bool written = true;
  if (!options.svg.empty()) written = writeChart(options.svg, chartSvg(chart), {}) && written;
  if (!options.png.empty()) {
    std::string whyNot;
    const auto png = chartPng(chart, whyNot);
    written = writeChart(options.png, png, whyNot) && written;
  }
  return finish(written ? kExitDone : kExitFailed);
}

}  // namespace velkor
