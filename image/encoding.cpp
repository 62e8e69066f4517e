#include "image/encoding.h"

#include "document/text_rules.h"

namespace velkor {
namespace {

// Digits padded on the left with "0" to `width`. The document keeps numeric
// fields to digits within their length; anything else encodes as zero so an
// image never loses its fixed length.
std::string padded(std::string_view digits, std::size_t width) {
  if (!isDigits(digits) || digits.size() > width) return std::string(width, '0');
  return std::string(width - digits.size(), '0') + std::string(digits);
}

// Code byte of a slot's text; the empty code for an empty slot, and for a
// text that is no token of the page (slots never hold one when edited).
unsigned char conditionCode(int page, std::string_view text) {
  if (!isConditionToken(page, text)) return kEmptyCode;
  const int digit = text[2] - '0';
  return static_cast<unsigned char>(text.starts_with("EA") ? digit + 7 : digit);
}

void appendChain(const ProgramDocument& document, int page, std::string& image) {
  const OutputPage& pg = document.page(page);
  for (int j = 1; j <= slotCount(page); ++j) {
    const unsigned char code = conditionCode(page, trimBlanks(pg.slot(j).text));
    if (j > 1) {
      char letter = 'R';
      if (code != kEmptyCode) letter = pg.link(j - 1).caption == "OU" ? 'O' : 'E';
      image += letter;
    }
    image += static_cast<char>(code);
  }
}

}  // namespace

std::string buildImage(const ProgramDocument& document, int page) {
  const OutputPage& pg = document.page(page);
  std::string image;
  image.reserve(imageLength(page));
  appendChain(document, page, image);
  if (isLogicPage(page)) {
    for (const Threshold& t : pg.thresholds) {
      if (t.enabled) {
        image += t.comparator == "<" ? 'D' : 'U';
        image += padded(t.value, 4);
      } else {
        image += "U0000";
      }
    }
    image += padded(pg.pause, 5);
  } else {
    image += padded(pg.voltage, 4);
    image += padded(pg.pause, 5);
    image += pg.hold ? 'V' : 'F';
  }
  return image;
}

void construireImages(const ProgramDocument& document, ProgramImages& images) {
  for (int p = 1; p <= kPageCount; ++p) images[p] = buildImage(document, p);
}

}  // namespace velkor
