#include "image/image_check.h"

#include <optional>

#include "image/image_reader.h"

namespace velkor {
namespace {

bool isCode(int page, std::optional<unsigned char> b) {
  return b == kEmptyCode || inputOfCode(page, b) != CodeInput::none;
}

// The chain as decoding reads it: up to its first empty code or "R" link, or
// up to the first byte it cannot read, where it ends.
void checkChain(int page, const ImageReader& data, std::vector<std::string>& faults) {
  bool open = true;
  bool unreadableAfterEnd = false;
  for (int j = 1; j <= slotCount(page); ++j) {
    const auto code = data.byteAt(codePosition(j));
    if (!isCode(page, code)) {
      if (open)
        faults.push_back("condition " + std::to_string(j) + " illisible, " +
                         (j == 1 ? std::string("la chaîne est vide")
                                 : "la chaîne s'arrête à la condition " + std::to_string(j - 1)));
      else
        unreadableAfterEnd = true;
      open = false;
    } else if (*code == kEmptyCode) {
      open = false;
    }
    if (j > linkCount(page)) break;
    const bool link = data.oneOf(linkPosition(j), "EOR");
    if (!link) {
      if (open)
        faults.push_back("lien " + std::to_string(j) + " illisible, la chaîne s'arrête à la condition " +
                         std::to_string(j));
      else
        unreadableAfterEnd = true;
      open = false;
    } else if (data.byteAt(linkPosition(j)) == 'R') {
      open = false;
    }
  }
  if (unreadableAfterEnd) faults.emplace_back("octets illisibles après la fin de la chaîne, ignorés");
}

}  // namespace

std::vector<std::string> imageFaults(int page, std::string_view image) {
  const ImageReader data(image);
  std::vector<std::string> faults;
  checkChain(page, data, faults);
  if (isLogicPage(page)) {
    for (int k = 1; k <= kAnalogInputCount; ++k) {
      const std::string input = "EA" + std::to_string(k);
      if (!data.oneOf(comparatorPosition(k), "UD"))
        faults.push_back("comparateur de " + input + " illisible, remplacé par >");
      if (!data.digitsAt(thresholdPosition(k), 4))
        faults.push_back("seuil de " + input + " illisible, remplacé par 0");
    }
    if (!data.digitsAt(logicPausePosition, 5)) faults.emplace_back("pause illisible, remplacée par 0");
  } else {
    if (!data.digitsAt(voltagePosition, 4)) faults.emplace_back("tension illisible, remplacée par 0");
    if (!data.digitsAt(analogPausePosition, 5)) faults.emplace_back("pause illisible, remplacée par 0");
    if (!data.oneOf(holdPosition, "VF")) faults.emplace_back("maintien illisible, tension non maintenue");
  }
  return faults;
}

std::vector<std::string> damagedOutputs(const ProgramImages& images) {
  std::vector<std::string> lines;
  for (int p = 1; p <= kPageCount; ++p) {
    const std::vector<std::string> faults = imageFaults(p, images[p]);
    if (faults.empty()) continue;
    std::string line = pageCaption(p) + " :";
    for (std::size_t i = 0; i < faults.size(); ++i) line += (i ? " ; " : " ") + faults[i];
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace velkor
