#include "cli/evaluate.h"

#include <cctype>

#include "document/text_rules.h"
#include "simulation/runs.h"

namespace velkor {
namespace {

// Applies one setting to the inputs; an error message when it is not one.
std::optional<std::string> applySetting(std::string_view setting, InputState& inputs) {
  const auto equals = setting.find('=');
  const std::string_view name = setting.substr(0, equals);
  const std::string_view value = equals == std::string_view::npos ? std::string_view() : setting.substr(equals + 1);
  const bool logic = name.size() == 3 && name.starts_with("EL") && name[2] >= '1' && name[2] <= '7';
  const bool analog = name.size() == 3 && name.starts_with("EA") && name[2] >= '1' && name[2] <= '4';
  if (!logic && !analog) return "entrée inconnue : " + std::string(setting);
  const auto index = static_cast<std::size_t>(name[2] - '1');
  if (logic) {
    if (value != "0" && value != "1") return "valeur attendue 0 ou 1 : " + std::string(setting);
    inputs.logic[index] = value == "1";
    return std::nullopt;
  }
  const auto millivolts = readWholeNumber(value);
  if (!millivolts || *millivolts > 99999) return "valeur en mV attendue : " + std::string(setting);
  inputs.analogText[index] = std::to_string(*millivolts);
  return std::nullopt;
}

std::optional<std::string> applyStep(std::string_view step, InputState& inputs) {
  while (!step.empty()) {
    const auto comma = step.find(',');
    const std::string_view setting = trimBlanks(step.substr(0, comma));
    if (!setting.empty())
      if (auto error = applySetting(setting, inputs)) return error;
    if (comma == std::string_view::npos) break;
    step.remove_prefix(comma + 1);
  }
  return std::nullopt;
}

}  // namespace

int outputPage(std::string_view name) {
  if (name.size() != 3 || std::toupper(static_cast<unsigned char>(name[0])) != 'S') return 0;
  const char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(name[1])));
  const int n = name[2] - '0';
  if (kind == 'L' && n >= 1 && n <= kLogicPageCount) return n;
  if (kind == 'A' && n >= 1 && n <= kPageCount - kLogicPageCount) return pageOfAnalogOutput(n);
  return 0;
}

EvalResult evaluateOutput(const ProgramImages& images, int page, const std::vector<std::string>& steps) {
  EvalResult result;
  const std::vector<std::string> run = steps.empty() ? std::vector<std::string>{""} : steps;
  if (isLogicPage(page)) {
    LogicSimulation simulation;
    InputState inputs = simulation.start(images[page]).inputs();
    for (const std::string& step : run) {
      if (auto error = applyStep(step, inputs)) return result.error = *error, result;
      result.lines.emplace_back(outputStateCaption(simulation.evaluate(inputs)));
    }
  } else {
    AnalogSimulation simulation;
    InputState inputs = simulation.start(images[page]).inputs();
    for (const std::string& step : run) {
      if (auto error = applyStep(step, inputs)) return result.error = *error, result;
      result.lines.emplace_back(trimBlanks(simulation.pass(inputs)));
    }
  }
  return result;
}

}  // namespace velkor
