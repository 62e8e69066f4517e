#include "document/field_names.h"

#include <array>
#include <charconv>

namespace velkor {
namespace {

struct Prefix {
  FieldFamily family;
  std::string_view text;
  bool twoPart;  // "NN_MM" suffix; otherwise one unpadded number
};

// Longest prefixes first is not needed: no prefix is a prefix of another.
constexpr std::array<Prefix, 8> kPrefixes{{
    {FieldFamily::Slot, "choix", true},
    {FieldFamily::Link, "ou", true},
    {FieldFamily::Comparator, "supinf", true},
    {FieldFamily::Threshold, "edit", true},
    {FieldFamily::Pause, "pause", false},
    {FieldFamily::Voltage, "tension", false},
    {FieldFamily::Hold, "zero", false},
    {FieldFamily::Simulate, "simu", false},
}};

std::string twoDigits(int n) {
  return std::string{static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
}

// Exactly two decimal digits.
std::optional<int> parseTwoDigits(std::string_view s) {
  if (s.size() != 2 || s[0] < '0' || s[0] > '9' || s[1] < '0' || s[1] > '9') return std::nullopt;
  return (s[0] - '0') * 10 + (s[1] - '0');
}

// A number written without leading zeros ("8", "11").
std::optional<int> parsePlain(std::string_view s) {
  if (s.empty() || s.size() > 2 || s[0] == '0') return std::nullopt;
  int value = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc{} || end != s.data() + s.size()) return std::nullopt;
  return value;
}

}  // namespace

std::string pageCaption(int page) {
  return isLogicPage(page) ? "SL" + std::to_string(page) : "SA" + std::to_string(analogOutputOf(page));
}

std::string pageTitle(int page) {
  return isLogicPage(page) ? "Sortie logique N°" + std::to_string(page)
                           : "Sortie analogique N°" + std::to_string(analogOutputOf(page));
}

bool isValidField(FieldId id) {
  if (!isValidPage(id.page)) return false;
  switch (id.family) {
    case FieldFamily::Slot: return id.position >= 1 && id.position <= slotCount(id.page);
    case FieldFamily::Link: return id.position >= 1 && id.position <= linkCount(id.page);
    case FieldFamily::Comparator:
    case FieldFamily::Threshold:
      return isLogicPage(id.page) && id.position >= 1 && id.position <= kAnalogInputCount;
    case FieldFamily::Pause:
    case FieldFamily::Simulate: return id.position == 0;
    case FieldFamily::Voltage:
    case FieldFamily::Hold: return isAnalogPage(id.page) && id.position == 0;
  }
  return false;
}

std::string fieldName(FieldId id) {
  for (const Prefix& p : kPrefixes) {
    if (p.family != id.family) continue;
    std::string name{p.text};
    if (p.twoPart) return name + twoDigits(id.page) + "_" + twoDigits(id.position);
    const bool byOutput = id.family == FieldFamily::Voltage || id.family == FieldFamily::Hold;
    return name + std::to_string(byOutput ? analogOutputOf(id.page) : id.page);
  }
  return {};
}

std::optional<FieldId> parseFieldName(std::string_view name) {
  for (const Prefix& p : kPrefixes) {
    if (!name.starts_with(p.text)) continue;
    std::string_view rest = name.substr(p.text.size());
    FieldId id{p.family, 0, 0};
    if (p.twoPart) {
      if (rest.size() != 5 || rest[2] != '_') return std::nullopt;
      auto page = parseTwoDigits(rest.substr(0, 2));
      auto pos = parseTwoDigits(rest.substr(3, 2));
      if (!page || !pos) return std::nullopt;
      id.page = *page;
      id.position = *pos;
    } else {
      auto n = parsePlain(rest);
      if (!n) return std::nullopt;
      const bool byOutput = p.family == FieldFamily::Voltage || p.family == FieldFamily::Hold;
      if (byOutput && (*n < 1 || *n > 4)) return std::nullopt;
      id.page = byOutput ? pageOfAnalogOutput(*n) : *n;
    }
    if (!isValidField(id)) return std::nullopt;
    return id;
  }
  return std::nullopt;
}

}  // namespace velkor
