#include "cli/describe.h"

#include "cli/json_text.h"

namespace velkor {

std::string toJson(const std::vector<OutputSummary>& outputs, const std::vector<std::string>& warnings,
                   const ProgramNames* names) {
  Json list = Json::array();
  for (const OutputSummary& o : outputs) {
    Json item = {{"name", o.name}, {"conditions", o.conditions}, {"links", o.links}};
    if (isLogicPage(o.page)) {
      Json thresholds = Json::object();
      for (const ThresholdSummary& t : o.thresholds)
        thresholds["EA" + std::to_string(t.input)] = {{"comparator", t.comparator}, {"millivolts", t.millivolts}};
      item["thresholds"] = thresholds;
    } else {
      item["voltage_mv"] = o.voltageMv;
      item["hold"] = o.hold;
    }
    item["pause_ms"] = o.pauseMs;
    list.push_back(item);
  }
  Json more = Json::object();
  if (names) {
    // As the names file has them, less what this program does not use.
    if (!names->title.empty()) more["title"] = names->title;
    if (!names->comment.empty()) more["comment"] = names->comment;
    Json signals = Json::object();
    for (int s = 0; s < kSignalCount; ++s) {
      const SignalNote& note = names->notes[std::size_t(s)];
      Json item = Json::object();
      if (!note.name.empty()) item["name"] = note.name;
      if (!note.comment.empty()) item["comment"] = note.comment;
      if (!item.empty()) signals[signalId(s)] = item;
    }
    if (!signals.empty()) more["signals"] = signals;
  }
  if (!warnings.empty()) more["warnings"] = warnings;
  return listPerLine("outputs", list, more);
}

std::string toText(const std::vector<OutputSummary>& outputs, const ProgramNames* names) {
  std::string out;
  for (const OutputSummary& o : outputs) out += outputLine(o, names) + "\n";
  return out;
}

}  // namespace velkor
