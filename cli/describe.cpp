#include "cli/describe.h"

#include <algorithm>
#include <sstream>

#include "document/text_rules.h"

namespace velkor {
namespace {

long numberOf(const std::string& text) { return readWholeNumber(text).value_or(0); }

std::string jsonString(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      static const char* hex = "0123456789abcdef";
      out += "\\u00";
      out += hex[u >> 4];
      out += hex[u & 0xF];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string jsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + jsonString(items[i]);
  return out + "]";
}

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

std::string toJson(const std::vector<OutputSummary>& outputs, const std::vector<std::string>& warnings) {
  std::ostringstream out;
  out << "{\"outputs\": [\n";
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    const OutputSummary& o = outputs[i];
    out << "  {\"name\": " << jsonString(o.name) << ", \"conditions\": " << jsonList(o.conditions)
        << ", \"links\": " << jsonList(o.links);
    if (isLogicPage(o.page)) {
      out << ", \"thresholds\": {";
      for (std::size_t t = 0; t < o.thresholds.size(); ++t) {
        const ThresholdSummary& th = o.thresholds[t];
        out << (t ? ", " : "") << "\"EA" << th.input << "\": {\"comparator\": " << jsonString(th.comparator)
            << ", \"millivolts\": " << th.millivolts << "}";
      }
      out << "}";
    } else {
      out << ", \"voltage_mv\": " << o.voltageMv << ", \"hold\": " << (o.hold ? "true" : "false");
    }
    out << ", \"pause_ms\": " << o.pauseMs << "}" << (i + 1 < outputs.size() ? "," : "") << "\n";
  }
  out << "]";
  if (!warnings.empty()) out << ",\n\"warnings\": " << jsonList(warnings);
  out << "}\n";
  return out.str();
}

std::string toText(const std::vector<OutputSummary>& outputs) {
  std::ostringstream out;
  for (const OutputSummary& o : outputs) {
    out << o.name << " : ";
    if (o.conditions.empty()) out << "aucune condition";
    for (std::size_t j = 0; j < o.conditions.size(); ++j) {
      if (j > 0) out << " " << o.links[j - 1] << " ";
      const std::string& c = o.conditions[j];
      out << c;
      for (const ThresholdSummary& t : o.thresholds)
        if (c == "EA" + std::to_string(t.input)) out << " (" << t.comparator << " " << t.millivolts << " mV)";
    }
    if (!isLogicPage(o.page))
      out << " — tension " << o.voltageMv << " mV, " << (o.hold ? "maintenue" : "non maintenue");
    out << " — pause " << o.pauseMs << " mS\n";
  }
  return out.str();
}

}  // namespace velkor
