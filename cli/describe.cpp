#include "cli/describe.h"

#include <sstream>

#include "cli/json_text.h"

namespace velkor {

std::string toJson(const std::vector<OutputSummary>& outputs, const std::vector<std::string>& warnings) {
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
  if (!warnings.empty()) more["warnings"] = warnings;
  return listPerLine("outputs", list, more);
}

std::string toText(const std::vector<OutputSummary>& outputs) {
  std::ostringstream out;
  for (const OutputSummary& o : outputs) {
    out << o.name << " : ";
    out << chainText(o);
    if (!isLogicPage(o.page))
      out << " — tension " << o.voltageMv << " mV, " << (o.hold ? "maintenue" : "non maintenue");
    out << " — pause " << o.pauseMs << " mS\n";
  }
  return out.str();
}

}  // namespace velkor
