// velkor-cli's JSON as it has always been laid out: each value on one line
// with ", " and ": " between its parts ({"name": "SL1", "links": ["ET"]}).
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "image/program_differences.h"

namespace velkor {

using Json = nlohmann::ordered_json;  // keys stay in the order they were set

inline std::string oneLine(const Json& value) {
  if (value.is_object()) {
    std::string out = "{";
    bool first = true;
    for (const auto& [key, item] : value.items()) {
      out += (first ? "" : ", ") + Json(key).dump() + ": " + oneLine(item);
      first = false;
    }
    return out + "}";
  }
  if (value.is_array()) {
    std::string out = "[";
    for (std::size_t i = 0; i < value.size(); ++i) out += (i ? ", " : "") + oneLine(value[i]);
    return out + "]";
  }
  // Text read from a device or a file may hold bytes that are no UTF-8.
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// {"KEY": [\n  item,\n  item\n]}: a list with one item per line; `more`
// holds further top-level members, each on its own line after the list.
inline std::string listPerLine(const std::string& key, const Json& items, const Json& more = Json::object()) {
  std::string out = "{" + Json(key).dump() + ": [\n";
  for (std::size_t i = 0; i < items.size(); ++i) out += "  " + oneLine(items[i]) + (i + 1 < items.size() ? ",\n" : "\n");
  out += "]";
  for (const auto& [k, v] : more.items()) out += ",\n" + Json(k).dump() + ": " + oneLine(v);
  return out + "}\n";
}

// Each difference as {"output", "field", FIRST, SECOND}, a side's value
// null where its field is not used.
inline Json differencesJson(const std::vector<FieldDifference>& differences, const char* firstKey,
                            const char* secondKey) {
  Json list = Json::array();
  for (const FieldDifference& d : differences)
    list.push_back({{"output", pageCaption(d.page)},
                    {"field", d.field},
                    {firstKey, d.first.empty() ? Json(nullptr) : Json(d.first)},
                    {secondKey, d.second.empty() ? Json(nullptr) : Json(d.second)}});
  return list;
}

}  // namespace velkor
