// Scenarios: the inputs of the board over time, as CSV.
//
//   time_ms,EL1,EL2,EL3,EL4,EL5,EL6,EL7,EA1,EA2,EA3,EA4
//   0,0,0,0,0,0,0,0,0,0,0,0
//   1500,1,0,0,0,0,0,0,2500,0,0,0
//
// Each row gives the whole input state from its time on; times never go
// back. The outputs of a run are written the same way, one row per
// scenario row.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "simulation/board.h"

namespace velkor {

struct ScenarioRow {
  std::int64_t timeMs = 0;
  BoardInputs inputs;
  friend bool operator==(const ScenarioRow&, const ScenarioRow&) = default;
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
  bool fail(int line, std::string message);

  ParsedScenario result_;
  std::string line_;
  int number_ = 0;  // of the lines already taken
  bool headerSeen_ = false;
};

ParsedScenario parseScenario(std::string_view text);
// A plain file only (a folder, a FIFO or a device would block or never end),
// of at most kScenarioMaxBytes.
ParsedScenario readScenarioFile(const std::filesystem::path& path);

// The CSV of a scenario, header included.
std::string scenarioText(const std::vector<ScenarioRow>& rows);
// One row of inputs or outputs, without its line end.
std::string inputsRow(std::int64_t timeMs, const BoardInputs& inputs);
std::string outputsRow(std::int64_t timeMs, const BoardOutputs& outputs);

// Runs a scenario from the start state: every input at 0, every hold
// released. Returns the outputs after each row.
std::vector<BoardOutputs> runScenario(const ProgramImages& images, const std::vector<ScenarioRow>& rows);

}  // namespace velkor
