// Scenarios: the inputs of the board over time, as CSV, and what the
// outputs are expected to be.
//
//   time_ms,EL1,EL2,EL3,EL4,EL5,EL6,EL7,EA1,EA2,EA3,EA4,SL1,SA1
//   0,0,0,0,0,0,0,0,0,0,0,0,0,0
//   1500,1,0,0,0,0,0,0,2500,0,0,0,1,
//
// Each row gives the whole input state from its time on; times never go
// back. Columns SL1-SA4 may follow the inputs, in any order and any subset:
// a cell holds the value the output must show once the row's inputs are
// applied (0/1, or millivolts), an empty cell checks nothing. The outputs of
// a run are written as the inputs are, one row per scenario row.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "simulation/board.h"

namespace velkor {

// What a row expects of the outputs, by page: 1-7 SL1-SL7 (0 or 1), 8-11
// SA1-SA4 (millivolts). An output it does not check is not looked at.
class ExpectedOutputs {
 public:
  // Every output, as a run left them: what a recorded run expects of the next.
  static ExpectedOutputs all(const BoardOutputs& outputs);

  void set(int page, int value);
  bool checks(int page) const { return (checked_ >> (page - 1)) & 1u; }
  int value(int page) const { return values_.at(static_cast<std::size_t>(page - 1)); }
  bool empty() const { return checked_ == 0; }
  friend bool operator==(const ExpectedOutputs&, const ExpectedOutputs&) = default;

 private:
  std::uint16_t checked_ = 0;  // bit page - 1
  std::array<std::uint16_t, kPageCount> values_{};  // 0 where not checked
};

struct ScenarioRow {
  ScenarioRow() = default;
  // A row of inputs, as a recording makes them: it expects nothing.
  ScenarioRow(std::int64_t time, const BoardInputs& in, const ExpectedOutputs& outputs = {})
      : timeMs(time), inputs(in), expected(outputs) {}

  std::int64_t timeMs = 0;
  BoardInputs inputs;
  ExpectedOutputs expected;
  int line = 0;  // in the file it was read from (the header is line 1); 0 when made otherwise

  // Two rows are the same when they say the same, wherever they were read.
  friend bool operator==(const ScenarioRow& a, const ScenarioRow& b) {
    return a.timeMs == b.timeMs && a.inputs == b.inputs && a.expected == b.expected;
  }
};

struct ParsedScenario {
  std::vector<ScenarioRow> rows;
  // What is wrong, in French, and the line (1-based) where; no rows then.
  // Line 0: the file itself could not be read, `error` says why.
  std::string error;
  int errorLine = 0;
};

extern const std::string_view kScenarioHeader;
extern const std::string_view kOutputsHeader;

// A scenario file is refused beyond this size: about 700,000 rows, far more
// than the board window's trace keeps, and the memory a run takes stays small.
constexpr std::uintmax_t kScenarioMaxBytes = 16u << 20;
// A row, blanks around its values included, is far shorter: a longer line is
// no row, and is refused before it is read whole.
constexpr std::size_t kScenarioMaxLineBytes = 256;

// Reads a scenario piece by piece, so that neither the file nor a line of it
// is ever held whole. Line ends may be LF or CR LF; blank lines are skipped.
class ScenarioParser {
 public:
  // Takes the next bytes; false once the scenario is refused.
  bool feed(std::string_view bytes);
  ParsedScenario finish();

 private:
  bool takeLine(std::string_view line);
  bool takeHeader(std::string_view line);
  bool fail(int line, std::string message);

  ParsedScenario result_;
  std::string line_;
  int number_ = 0;  // of the lines already taken
  bool headerSeen_ = false;
  std::vector<int> expectedPages_;  // the output of each column after the inputs
};

ParsedScenario parseScenario(std::string_view text);
// A plain file only (a folder, a FIFO or a device would block or never end),
// of at most kScenarioMaxBytes.
ParsedScenario readScenarioFile(const std::filesystem::path& path);

// The CSV of a scenario, header included, with a column for each output
// some row checks (SL1 to SA4, in that order).
std::string scenarioText(const std::vector<ScenarioRow>& rows);
// One row of inputs or outputs, without its line end.
std::string inputsRow(std::int64_t timeMs, const BoardInputs& inputs);
std::string outputsRow(std::int64_t timeMs, const BoardOutputs& outputs);

// Runs a scenario from the start state: every input at 0, every hold
// released. Returns the outputs after each row.
std::vector<BoardOutputs> runScenario(const ProgramImages& images, const std::vector<ScenarioRow>& rows);

}  // namespace velkor
