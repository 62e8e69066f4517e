#include "simulation/xml_text.h"

#include "document/text_rules.h"

namespace velkor {

std::string xmlText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const std::size_t length = utf8CharacterLength(text);
    const char c = text.front();
    if (c == '\r') {
      // Line ends written by other tools: CR LF and a lone CR end a line.
      if (text.size() < 2 || text[1] != '\n') out += '\n';
    } else if (length == 0 || (length == 1 && static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n')) {
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
