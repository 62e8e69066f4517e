#include "image/program_differences.h"

#include "image/program.h"
#include "image/program_summary.h"

namespace velkor {
namespace {

std::vector<OutputSummary> decoded(const ProgramImages& images) {
  Program program;
  program.load(images);
  return summarize(program.document);
}

std::string thresholdText(const OutputSummary& o, int input) {
  for (const ThresholdSummary& t : o.thresholds)
    if (t.input == input) return t.comparator + " " + std::to_string(t.millivolts) + " mV";
  return "non utilisé";
}

}  // namespace

std::string FieldDifference::line(std::string_view firstName, std::string_view secondName,
                                  const ProgramNames* names) const {
  const std::string output = names ? names->idWithName(outputSignal(page)) : pageCaption(page);
  if (first.empty() && second.empty()) return output + " : " + field + " différents, sans effet sur la sortie";
  return output + " : " + field + " — " + std::string(firstName) + " " + first + ", " +
         std::string(secondName) + " " + second;
}

std::vector<FieldDifference> programDifferences(const ProgramImages& first, const ProgramImages& second) {
  const std::vector<OutputSummary> firsts = decoded(first), seconds = decoded(second);
  std::vector<FieldDifference> out;
  for (int p = 1; p <= kPageCount; ++p) {
    if (first[p] == second[p]) continue;
    const OutputSummary& o1 = firsts[p - 1];
    const OutputSummary& o2 = seconds[p - 1];
    const std::size_t before = out.size();
    auto differ = [&](std::string field, std::string inFirst, std::string inSecond) {
      if (inFirst != inSecond) out.push_back({p, std::move(field), std::move(inFirst), std::move(inSecond)});
    };
    differ("conditions", chainText(o1, false), chainText(o2, false));
    if (isLogicPage(p)) {
      for (int k = 1; k <= kAnalogInputCount; ++k)
        differ("seuil EA" + std::to_string(k), thresholdText(o1, k), thresholdText(o2, k));
    } else {
      differ("tension", std::to_string(o1.voltageMv) + " mV", std::to_string(o2.voltageMv) + " mV");
      differ("maintien", o1.hold ? "maintenue" : "non maintenue", o2.hold ? "maintenue" : "non maintenue");
    }
    differ("pause", std::to_string(o1.pauseMs) + " mS", std::to_string(o2.pauseMs) + " mS");
    if (out.size() == before) out.push_back({p, "champs non utilisés", {}, {}});
  }
  return out;
}

}  // namespace velkor
