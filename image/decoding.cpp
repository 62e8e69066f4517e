#include "image/decoding.h"

#include <optional>

#include "image/image_reader.h"

namespace velkor {
namespace {

void setNumber(std::string& field, const std::optional<std::string>& value) {
  if (value) field = *value;
}

void decodeChain(ProgramDocument& document, int page, const ImageReader& data) {
  OutputPage& pg = document.page(page);
  for (int j = 1; j <= slotCount(page); ++j) {
    ConditionSlot& slot = pg.slot(j);
    const auto code = data.byteAt(codePosition(j));
    const CodeInput input = inputOfCode(page, code);
    if (input == CodeInput::none) {
      slot.text.clear();  // empty, or no input of this page
      // A link that announced this slot is undone, so the chain ends where it shows.
      if (j > 1) pg.link(j - 1).caption = "-";
      return;
    }
    if (input == CodeInput::logic) {
      slot.text = "EL" + std::to_string(*code) + "=1";
    } else {
      const int k = *code - 7;
      slot.text = "EA" + std::to_string(k);
      Threshold& t = pg.threshold(k);
      t.enabled = true;
      setNumber(t.value, data.numberAt(thresholdPosition(k), 4));
      const auto letter = data.byteAt(comparatorPosition(k));
      if (letter == 'U') t.comparator = ">";
      else if (letter == 'D') t.comparator = "<";
    }
    slot.enabled = true;

    if (j > linkCount(page)) return;
    // A filled slot's link stays usable, so the user can extend the chain.
    pg.link(j).enabled = true;
    const auto link = data.byteAt(linkPosition(j));
    if (link != 'O' && link != 'E') return;  // "R", or anything unreadable, ends the chain
    pg.link(j).caption = link == 'O' ? "OU" : "ET";
    pg.link(j).enabled = true;
  }
}

}  // namespace

void resetPages(ProgramDocument& document) {
  document.activePage = 1;
  for (int p = 1; p <= kPageCount; ++p) {
    OutputPage& pg = document.page(p);
    pg.pause = "0";
    pg.slot(1).enabled = true;
    for (int m = 2; m <= slotCount(p); ++m) {
      pg.slot(m).text.clear();
      pg.slot(m).enabled = false;
    }
    for (int m = 1; m <= linkCount(p); ++m) {
      pg.link(m).caption = "-";
      pg.link(m).enabled = m == 1;
    }
    if (isLogicPage(p)) {
      for (Threshold& t : pg.thresholds) t = Threshold{};
    } else {
      pg.voltage = "0";
      pg.hold = false;
    }
  }
  document.ProgramModified = false;
}

void decodeImage(ProgramDocument& document, int page, std::string_view image) {
  const ImageReader data(image);
  decodeChain(document, page, data);
  OutputPage& pg = document.page(page);
  if (isLogicPage(page)) {
    setNumber(pg.pause, data.numberAt(logicPausePosition, 5));
  } else {
    setNumber(pg.voltage, data.numberAt(voltagePosition, 4));
    setNumber(pg.pause, data.numberAt(analogPausePosition, 5));
    pg.hold = data.byteAt(holdPosition) == 'V';
  }
}

void decodeImages(ProgramDocument& document, const ProgramImages& images) {
  for (int p = 1; p <= kPageCount; ++p) decodeImage(document, p, images[p]);
  document.activePage = 1;
  document.ProgramModified = false;
}

}  // namespace velkor
