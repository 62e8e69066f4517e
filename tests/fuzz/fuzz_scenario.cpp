// Any byte string as a scenario file: reading never fails badly, reading in
// pieces agrees with reading at once, an error names a line and stays short
// whatever the line held, and what is accepted keeps to the ranges of the
// inputs and of the outputs it expects, names lines in order, and reads back
// the same once written.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "simulation/scenario.h"

using namespace velkor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const ParsedScenario whole = parseScenario(bytes);

  ScenarioParser parser;
  const std::size_t piece = size ? 1 + data[0] % 64 : 1;
  for (std::size_t at = 0; at < size && parser.feed(bytes.substr(at, piece)); at += piece) {
  }
  const ParsedScenario pieced = parser.finish();
  if (pieced.error != whole.error || pieced.errorLine != whole.errorLine || !(pieced.rows == whole.rows)) std::abort();
  for (std::size_t i = 0; i < whole.rows.size(); ++i)
    if (pieced.rows[i].line != whole.rows[i].line) std::abort();

  if (!whole.error.empty()) {
    if (whole.errorLine < 1 || whole.error.size() > 160 || !whole.rows.empty()) std::abort();
    return 0;
  }
  for (std::size_t i = 0; i < whole.rows.size(); ++i) {
    const ScenarioRow& row = whole.rows[i];
    if (row.timeMs < 0 || (i > 0 && row.timeMs < whole.rows[i - 1].timeMs)) std::abort();
    if (row.line < 2 || (i > 0 && row.line <= whole.rows[i - 1].line)) std::abort();
    for (int mv : row.inputs.analog)
      if (mv < 0 || mv > kAnalogInputMax) std::abort();
    for (int page = 1; page <= kPageCount; ++page)
      if (row.expected.value(page) < 0 || row.expected.value(page) > (isLogicPage(page) ? 1 : kAnalogOutputMax) ||
          (!row.expected.checks(page) && row.expected.value(page) != 0))
        std::abort();
  }
  if (!(parseScenario(scenarioText(whole.rows)).rows == whole.rows)) std::abort();
  return 0;
}
