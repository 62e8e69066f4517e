#include "simulation/scenario.h"

#include <charconv>

#include "document/text_rules.h"

namespace velkor {

const std::string_view kScenarioHeader = "time_ms,EL1,EL2,EL3,EL4,EL5,EL6,EL7,EA1,EA2,EA3,EA4";
const std::string_view kOutputsHeader = "time_ms,SL1,SL2,SL3,SL4,SL5,SL6,SL7,SA1,SA2,SA3,SA4";

namespace {

constexpr std::size_t kColumns = 1 + kLogicInputCount + kAnalogInputCount;
// Far beyond any run (about 31 years), and safe from overflow when added to.
constexpr std::int64_t kMaxTimeMs = 999'999'999'999;

std::vector<std::string_view> splitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  while (true) {
    const auto comma = line.find(',');
    fields.push_back(trimBlanks(line.substr(0, comma)));
    if (comma == std::string_view::npos) return fields;
    line.remove_prefix(comma + 1);
  }
}

// Decimal digits only, no sign.
std::optional<std::int64_t> readCount(std::string_view text) {
  if (text.empty() || text.size() > 15) return std::nullopt;
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end != text.data() + text.size() || text.front() == '-') return std::nullopt;
  return value;
}

std::string columnName(std::size_t column) { return std::string(splitFields(kScenarioHeader)[column]); }

// Reads one row; an error message when it is not one.
std::optional<std::string> readRow(std::string_view line, ScenarioRow& row) {
  const auto fields = splitFields(line);
  if (fields.size() != kColumns)
    return "il faut " + std::to_string(kColumns) + " valeurs séparées par des virgules, la ligne en a " +
           std::to_string(fields.size());
  const auto time = readCount(fields[0]);
  if (!time || *time > kMaxTimeMs) return "temps en ms attendu : « " + std::string(fields[0]) + " »";
  row.timeMs = *time;
  for (std::size_t k = 0; k < kLogicInputCount; ++k) {
    const std::string_view v = fields[1 + k];
    if (v != "0" && v != "1") return columnName(1 + k) + " doit valoir 0 ou 1 : « " + std::string(v) + " »";
    row.inputs.logic[k] = v == "1";
  }
  for (std::size_t k = 0; k < kAnalogInputCount; ++k) {
    const std::size_t column = 1 + kLogicInputCount + k;
    const auto mv = readCount(fields[column]);
    if (!mv || *mv > kAnalogInputMax)
      return columnName(column) + " doit être un nombre de mV de 0 à " + std::to_string(kAnalogInputMax) +
             " : « " + std::string(fields[column]) + " »";
    row.inputs.analog[k] = static_cast<int>(*mv);
  }
  return std::nullopt;
}

}  // namespace

ParsedScenario parseScenario(std::string_view text) {
  ParsedScenario result;
  auto fail = [&](int line, std::string message) {
    result.rows.clear();
    result.error = std::move(message);
    result.errorLine = line;
    return result;
  };
  // A spreadsheet may start the file with a byte order mark.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  bool headerSeen = false;
  for (int number = 1; !text.empty(); ++number) {
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (trimBlanks(line).empty()) continue;
    if (!headerSeen) {
      if (trimBlanks(line) != kScenarioHeader)
        return fail(number, "en-tête attendu : " + std::string(kScenarioHeader));
      headerSeen = true;
      continue;
    }
    ScenarioRow row;
    if (auto error = readRow(line, row)) return fail(number, *error);
    if (!result.rows.empty() && row.timeMs < result.rows.back().timeMs)
      return fail(number, "le temps recule : " + std::to_string(row.timeMs) + " ms après " +
                              std::to_string(result.rows.back().timeMs) + " ms");
    result.rows.push_back(row);
  }
  if (!headerSeen) return fail(1, "en-tête attendu : " + std::string(kScenarioHeader));
  return result;
}

namespace {

// Inputs and outputs are written alike: the time, the logic lines, then the millivolts.
template <typename Lines>
std::string linesRow(std::int64_t timeMs, const Lines& lines) {
  std::string row = std::to_string(timeMs);
  for (bool on : lines.logic) row += on ? ",1" : ",0";
  for (int mv : lines.analog) row += "," + std::to_string(mv);
  return row;
}

}  // namespace

std::string inputsRow(std::int64_t timeMs, const BoardInputs& inputs) { return linesRow(timeMs, inputs); }

std::string outputsRow(std::int64_t timeMs, const BoardOutputs& outputs) { return linesRow(timeMs, outputs); }

std::string scenarioText(const std::vector<ScenarioRow>& rows) {
  std::string text(kScenarioHeader);
  text += '\n';
  for (const ScenarioRow& row : rows) text += inputsRow(row.timeMs, row.inputs) + '\n';
  return text;
}

std::vector<BoardOutputs> runScenario(const ProgramImages& images, const std::vector<ScenarioRow>& rows) {
  BoardSimulation board;
  board.setProgram(images);
  std::vector<BoardOutputs> outputs;
  outputs.reserve(rows.size());
  for (const ScenarioRow& row : rows) {
    board.setInputs(row.inputs);
    outputs.push_back(board.outputs());
  }
  return outputs;
}

}  // namespace velkor
