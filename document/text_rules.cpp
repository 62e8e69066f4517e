#include "document/text_rules.h"

#include <algorithm>
#include <charconv>

namespace velkor {

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool isDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string stripLeadingZeros(std::string_view text) {
  while (text.size() > 1 && text.front() == '0') text.remove_prefix(1);
  return std::string(text);
}

std::optional<long> readWholeNumber(std::string_view text) {
  if (text.empty() || !isDigits(text)) return std::nullopt;
  long value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end != text.data() + text.size() || value > 0x7FFFFFFF) return std::nullopt;
  return value;
}

}  // namespace velkor
