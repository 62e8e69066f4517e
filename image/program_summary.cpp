#include "image/program_summary.h"

#include <algorithm>

#include "document/text_rules.h"

namespace velkor {
namespace {

long numberOf(const std::string& text) { return readWholeNumber(text).value_or(0); }

}  // namespace

std::vector<OutputSummary> summarize(const ProgramDocument& document) {
  std::vector<OutputSummary> outputs;
  for (int p = 1; p <= kPageCount; ++p) {
    const OutputPage& pg = document.page(p);
    OutputSummary out;
    out.page = p;
    out.name = pageCaption(p);
    // The chain runs from slot 1 while a link joins a filled next slot.
    for (int j = 1; j <= slotCount(p) && !pg.slot(j).text.empty(); ++j) {
      out.conditions.push_back(pg.slot(j).text);
      if (j > linkCount(p)) break;
      const std::string& caption = pg.link(j).caption;
      if ((caption != "OU" && caption != "ET") || pg.slot(j + 1).text.empty()) break;
      out.links.push_back(caption);
    }
    if (isLogicPage(p)) {
      for (int k = 1; k <= kAnalogInputCount; ++k) {
        const std::string token = "EA" + std::to_string(k);
        if (std::find(out.conditions.begin(), out.conditions.end(), token) == out.conditions.end()) continue;
        const Threshold& t = pg.threshold(k);
        out.thresholds.push_back({k, t.comparator, numberOf(t.value)});
      }
    } else {
      out.voltageMv = numberOf(pg.voltage);
      out.hold = pg.hold;
    }
    out.pauseMs = numberOf(pg.pause);
    outputs.push_back(std::move(out));
  }
  return outputs;
}

std::string chainText(const OutputSummary& o, const ConditionText& condition) {
  if (o.conditions.empty()) return "aucune condition";
  std::string text;
  for (std::size_t j = 0; j < o.conditions.size(); ++j) {
    if (j > 0) text += " " + o.links[j - 1] + " ";
    const std::string& c = o.conditions[j];
    const ThresholdSummary* threshold = nullptr;
    for (const ThresholdSummary& t : o.thresholds)
      if (c == "EA" + std::to_string(t.input)) threshold = &t;
    text += condition(c, threshold);
  }
  return text;
}

std::string chainText(const OutputSummary& o, bool withThresholds, const ProgramNames* names) {
  return chainText(o, [&](const std::string& token, const ThresholdSummary* threshold) {
    std::string text = token;
    const auto signal = conditionSignal(token);
    if (names && signal && !names->label(*signal).empty()) text += " (" + names->label(*signal) + ")";
    if (withThresholds && threshold) text += " (" + thresholdText(*threshold) + ")";
    return text;
  });
}

std::string thresholdText(const ThresholdSummary& t) { return t.comparator + " " + std::to_string(t.millivolts) + " mV"; }

std::string settingsText(const OutputSummary& o) {
  std::string text;
  if (!isLogicPage(o.page))
    text += " — tension " + std::to_string(o.voltageMv) + " mV, " + (o.hold ? "maintenue" : "non maintenue");
  return text + " — pause " + std::to_string(o.pauseMs) + " mS";
}

std::string outputLine(const OutputSummary& o, const ProgramNames* names) {
  return (names ? names->idWithName(outputSignal(o.page)) : o.name) + " : " + chainText(o, true, names) + settingsText(o);
}

}  // namespace velkor
