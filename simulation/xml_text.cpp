#include "simulation/xml_text.h"

namespace velkor {
namespace {

// The length of the well-formed UTF-8 character at the start of `s`, 0 when
// it is none (a stray or missing continuation byte, an overlong form, a
// surrogate, beyond U+10FFFF).
std::size_t characterLength(std::string_view s) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  }
  if (length == 0 || s.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if ((byte(i) & 0xC0) != 0x80) return 0;
  return length;
}

}  // namespace

std::string xmlText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const std::size_t length = characterLength(text);
    const char c = text.front();
    if (length == 0 || (length == 1 && static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n')) {
      out += '?';
    } else if (length > 1) {
      out += text.substr(0, length);
    } else {
      switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
      }
    }
    text.remove_prefix(length == 0 ? 1 : length);
  }
  return out;
}

}  // namespace velkor
