#include "simulation/scenario.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "document/text_rules.h"
#include "image/plain_file.h"

namespace velkor {

ExpectedOutputs ExpectedOutputs::all(const BoardOutputs& outputs) {
  ExpectedOutputs expected;
  for (int page = 1; page <= kPageCount; ++page) expected.set(page, outputValue(outputs, page));
  return expected;
}

void ExpectedOutputs::set(int page, int value) {
  checked_ = static_cast<std::uint16_t>(checked_ | 1u << (page - 1));
  values_.at(static_cast<std::size_t>(page - 1)) = static_cast<std::uint16_t>(value);
}

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

// A value as messages quote it: its start only, cut between two characters,
// control bytes shown as "?".
std::string excerpt(std::string_view text) {
  constexpr std::size_t kShown = 24;
  std::size_t cut = text.size();
  if (cut > kShown) {
    cut = kShown;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // inside a UTF-8 character
  }
  std::string shown(text.substr(0, cut));
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return "« " + shown + (cut < text.size() ? "… »" : " »");
}

std::string columnName(std::size_t column) { return std::string(splitFields(kScenarioHeader)[column]); }

// The page of an output column, 0 for any other name.
int outputColumnPage(std::string_view name) {
  for (int page = 1; page <= kPageCount; ++page)
    if (name == pageCaption(page)) return page;
  return 0;
}

// Reads one row; an error message when it is not one.
std::optional<std::string> readRow(std::string_view line, const std::vector<int>& expectedPages, ScenarioRow& row) {
  const auto fields = splitFields(line);
  const std::size_t columns = kColumns + expectedPages.size();
  if (fields.size() != columns)
    return "il faut " + std::to_string(columns) + " valeurs séparées par des virgules, la ligne en a " +
           std::to_string(fields.size());
  const auto time = readCount(fields[0]);
  if (!time || *time > kMaxTimeMs) return "temps en ms attendu : " + excerpt(fields[0]);
  row.timeMs = *time;
  for (std::size_t k = 0; k < kLogicInputCount; ++k) {
    const std::string_view v = fields[1 + k];
    if (v != "0" && v != "1") return columnName(1 + k) + " doit valoir 0 ou 1 : " + excerpt(v);
    row.inputs.logic[k] = v == "1";
  }
  for (std::size_t k = 0; k < kAnalogInputCount; ++k) {
    const std::size_t column = 1 + kLogicInputCount + k;
    const auto mv = readCount(fields[column]);
    if (!mv || *mv > kAnalogInputMax)
      return columnName(column) + " doit être un nombre de mV de 0 à " + std::to_string(kAnalogInputMax) +
             " : " + excerpt(fields[column]);
    row.inputs.analog[k] = static_cast<int>(*mv);
  }
  for (std::size_t c = 0; c < expectedPages.size(); ++c) {
    const int page = expectedPages[c];
    const std::string_view v = fields[kColumns + c];
    if (v.empty()) continue;  // not checked
    if (isLogicPage(page)) {
      if (v != "0" && v != "1") return pageCaption(page) + " doit valoir 0 ou 1, ou rester vide : " + excerpt(v);
      row.expected.set(page, v == "1");
    } else {
      const auto mv = readCount(v);
      if (!mv || *mv > kAnalogOutputMax)
        return pageCaption(page) + " doit être un nombre de mV de 0 à " + std::to_string(kAnalogOutputMax) +
               ", ou rester vide : " + excerpt(v);
      row.expected.set(page, static_cast<int>(*mv));
    }
  }
  return std::nullopt;
}

}  // namespace

bool ScenarioParser::fail(int line, std::string message) {
  result_.rows = {};
  result_.error = std::move(message);
  result_.errorLine = line;
  return false;
}

bool ScenarioParser::feed(std::string_view bytes) {
  while (result_.error.empty() && !bytes.empty()) {
    const auto end = bytes.find('\n');
    const std::string_view piece = bytes.substr(0, end);
    if (line_.size() + piece.size() > kScenarioMaxLineBytes)
      return fail(number_ + 1, "ligne trop longue (plus de " + std::to_string(kScenarioMaxLineBytes) +
                                   " octets) : " + excerpt(line_ + std::string(piece.substr(0, kScenarioMaxLineBytes))));
    line_ += piece;
    if (end == std::string_view::npos) break;
    bytes.remove_prefix(end + 1);
    takeLine(std::exchange(line_, {}));
  }
  return result_.error.empty();
}

ParsedScenario ScenarioParser::finish() {
  if (result_.error.empty() && !line_.empty()) takeLine(std::exchange(line_, {}));  // the last line, without its LF
  if (result_.error.empty() && !headerSeen_) fail(1, "en-tête attendu : " + std::string(kScenarioHeader));
  return result_;
}

bool ScenarioParser::takeLine(std::string_view line) {
  ++number_;
  // A spreadsheet may start the file with a byte order mark.
  if (number_ == 1 && line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
  if (line.ends_with('\r')) line.remove_suffix(1);
  if (trimBlanks(line).empty()) return true;
  if (!headerSeen_) return takeHeader(line);
  ScenarioRow row;
  row.line = number_;
  if (auto error = readRow(line, expectedPages_, row)) return fail(number_, *error);
  if (!result_.rows.empty() && row.timeMs < result_.rows.back().timeMs)
    return fail(number_, "le temps recule : " + std::to_string(row.timeMs) + " ms après " +
                             std::to_string(result_.rows.back().timeMs) + " ms");
  result_.rows.push_back(row);
  return true;
}

// The inputs, in their order, then any output columns.
bool ScenarioParser::takeHeader(std::string_view line) {
  const auto names = splitFields(line);
  const auto inputs = splitFields(kScenarioHeader);
  if (names.size() < inputs.size() || !std::equal(inputs.begin(), inputs.end(), names.begin()))
    return fail(number_, "en-tête attendu : " + std::string(kScenarioHeader));
  for (std::size_t c = inputs.size(); c < names.size(); ++c) {
    const int page = outputColumnPage(names[c]);
    if (page == 0)
      return fail(number_, "colonne inconnue : " + excerpt(names[c]) +
                               " ; après EA4 viennent au choix SL1 à SL7, SA1 à SA4");
    if (std::find(expectedPages_.begin(), expectedPages_.end(), page) != expectedPages_.end())
      return fail(number_, "colonne " + pageCaption(page) + " en double");
    expectedPages_.push_back(page);
  }
  headerSeen_ = true;
  return true;
}

ParsedScenario parseScenario(std::string_view text) {
  ScenarioParser parser;
  parser.feed(text);
  return parser.finish();
}

ParsedScenario readScenarioFile(const std::filesystem::path& path) {
  auto unreadable = [](std::string reason) {
    ParsedScenario r;
    r.error = std::move(reason);
    return r;
  };
  ScenarioParser parser;
  if (auto fault = readPlainFile(path, [&](std::string_view piece) { return parser.feed(piece); },
                                 kScenarioMaxBytes)) {
    if (fault->kind == PlainFileFault::Kind::TooBig)
      return unreadable("plus de " + std::to_string(kScenarioMaxBytes >> 20) + " Mo, trop pour un scénario");
    return unreadable(fault->reason);
  }
  return parser.finish();
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
  std::vector<int> pages;
  for (int page = 1; page <= kPageCount; ++page)
    if (std::any_of(rows.begin(), rows.end(), [page](const ScenarioRow& r) { return r.expected.checks(page); }))
      pages.push_back(page);
  std::string text(kScenarioHeader);
  for (int page : pages) text += "," + pageCaption(page);
  text += '\n';
  for (const ScenarioRow& row : rows) {
    text += inputsRow(row.timeMs, row.inputs);
    for (int page : pages) {
      text += ',';
      if (row.expected.checks(page)) text += std::to_string(row.expected.value(page));
    }
    text += '\n';
  }
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
