#include "simulation/chain.h"

#include <charconv>

namespace velkor {

std::optional<unsigned char> imageByte(std::string_view image, std::size_t position) {
  if (position < 1 || position > image.size()) return std::nullopt;
  return static_cast<unsigned char>(image[position - 1]);
}

std::int32_t analogInputValue(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  // from_chars would take a second sign; a valid integer has digits right here.
  if (text.empty() || text.front() < '0' || text.front() > '9') return 0;
  std::int64_t magnitude = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
  if (ec != std::errc{} || end != text.data() + text.size()) return 0;
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value < INT32_MIN || value > INT32_MAX) return 0;
  return static_cast<std::int32_t>(value);
}

}  // namespace velkor
