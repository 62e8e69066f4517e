// Any bytes a faulty board could send, decoded onto a page: no read past the
// end, and the page still holds only what the editor can show and encode.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "document/text_rules.h"
#include "image/program.h"

using namespace velkor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int page = 1 + data[0] % kPageCount;
  // One program for every input, reset first as the editor does before it
  // decodes a download (building a program anew took a quarter of each run).
  static Program program;
  program.initialiserPages();
  program.images[page] = std::string(reinterpret_cast<const char*>(data + 1), size - 1);
  program.chargerImages();

  const OutputPage& pg = program.document.page(page);
  for (const ConditionSlot& s : pg.slots)
    if (!s.text.empty() && !isConditionToken(page, s.text)) std::abort();
  auto checkNumber = [](const std::string& text, std::size_t width) {
    if (!isDigits(text) || text.empty() || text.size() > width) std::abort();
  };
  checkNumber(pg.pause, 5);
  if (isLogicPage(page))
    for (const Threshold& t : pg.thresholds) checkNumber(t.value, 4);
  else
    checkNumber(pg.voltage, 4);

  program.construireImages();
  for (int p = 1; p <= kPageCount; ++p)
    if (program.images[p].size() != imageLength(p)) std::abort();
  return 0;
}
