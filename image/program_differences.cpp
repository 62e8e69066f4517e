#include "image/program_differences.h"

#include "image/program.h"
#include "image/program_summary.h"

namespace velkor {
namespace {

std::vector<OutputSummary> decoded(const ProgramImages& images) {
  Program program;
  program.initialiserPages();
  program.images = images;
  program.chargerImages();
  return summarize(program.document);
}

std::string thresholdText(const OutputSummary& o, int input) {
  for (const ThresholdSummary& t : o.thresholds)
    if (t.input == input) return t.comparator + " " + std::to_string(t.millivolts) + " mV";
  return "non utilisé";
}

}  // namespace

std::string FieldDifference::line() const {
  if (board.empty() && editor.empty()) return pageCaption(page) + " : " + field + " différents, sans effet sur la sortie";
  return pageCaption(page) + " : " + field + " — carte " + board + ", éditeur " + editor;
}

std::vector<FieldDifference> programDifferences(const ProgramImages& board, const ProgramImages& editor) {
  const std::vector<OutputSummary> b = decoded(board), e = decoded(editor);
  std::vector<FieldDifference> out;
  for (int p = 1; p <= kPageCount; ++p) {
    if (board[p] == editor[p]) continue;
    const OutputSummary& ob = b[p - 1];
    const OutputSummary& oe = e[p - 1];
    const std::size_t before = out.size();
    auto differ = [&](std::string field, std::string inBoard, std::string inEditor) {
      if (inBoard != inEditor) out.push_back({p, std::move(field), std::move(inBoard), std::move(inEditor)});
    };
    differ("conditions", chainText(ob, false), chainText(oe, false));
    if (isLogicPage(p)) {
      for (int k = 1; k <= kAnalogInputCount; ++k)
        differ("seuil EA" + std::to_string(k), thresholdText(ob, k), thresholdText(oe, k));
    } else {
      differ("tension", std::to_string(ob.voltageMv) + " mV", std::to_string(oe.voltageMv) + " mV");
      differ("maintien", ob.hold ? "maintenue" : "non maintenue", oe.hold ? "maintenue" : "non maintenue");
    }
    differ("pause", std::to_string(ob.pauseMs) + " mS", std::to_string(oe.pauseMs) + " mS");
    if (out.size() == before) out.push_back({p, "champs non utilisés", {}, {}});
  }
  return out;
}

}  // namespace velkor
