#include "board/reply_rules.h"

#include "image/image_check.h"
#include "image/program_images.h"

namespace velkor {

std::string_view trimmedReply(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 0x20) s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 0x20) s.remove_suffix(1);
  return s;
}

bool echoMatches(std::string_view received, std::string_view line) {
  return trimmedReply(received) == trimmedReply(line);
}

EchoFault echoFault(std::string_view received, std::string_view line) {
  const std::string_view got = trimmedReply(received);
  if (got.empty()) return EchoFault::Silence;
  return trimmedReply(line).starts_with(got) ? EchoFault::Cut : EchoFault::Different;
}

ReplyVerdict judgeReply(std::string_view received, int page) {
  if (trimmedReply(received).empty()) return ReplyVerdict::Silent;
  // The untrimmed first byte: condition codes are themselves below 0x20.
  const auto first = static_cast<unsigned char>(received[0]);
  if (first < 1 || first > 11) return ReplyVerdict::Refused;
  const std::size_t length = imageLength(page);
  if (received.size() < length + 2) return ReplyVerdict::Partial;
  if (received[length] != '\r' || received[length + 1] != '\n') return ReplyVerdict::Garbled;
  return imageFaults(page, received.substr(0, length)).empty() ? ReplyVerdict::Complete : ReplyVerdict::Garbled;
}

std::string replyImage(std::string_view received, int page) {
  return std::string(received.substr(0, imageLength(page)));
}

}  // namespace velkor
