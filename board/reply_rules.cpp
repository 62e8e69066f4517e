#include "board/reply_rules.h"

#include "image/image_check.h"
#include "image/program_images.h"

namespace velkor {
namespace {

bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

// Whether `bytes` can begin an image of `page` that the editor writes: the
// rules hold byte by byte, so a sound image's tail completes any sound start.
bool soundStart(int page, std::string_view bytes) {
  const ProgramImages& sound = emptyProgramImages();
  return imageFaults(page, std::string(bytes) + sound[page].substr(bytes.size())).empty();
}

// The reply read from `start` on.
ReplyReading readFrom(std::string_view received, std::size_t start, int page) {
  ReplyReading r{ReplyVerdict::Partial, start};
  const std::string_view reply = received.substr(start);
  if (reply.empty()) return r;
  // The untrimmed first byte: condition codes are themselves below 0x20.
  const auto first = static_cast<unsigned char>(reply[0]);
  if (first < 1 || first > 11) {
    r.verdict = ReplyVerdict::Refused;
    r.length = 1;
    return r;
  }
  const std::size_t image = imageLength(page);
  const std::string_view body = reply.substr(0, image);
  if (!soundStart(page, body)) {
    std::size_t bad = 1;
    while (soundStart(page, body.substr(0, bad))) ++bad;
    r.verdict = ReplyVerdict::Garbled;
    r.length = bad;
    r.flaw = isLineEnd(body[bad - 1]) ? ReplyFlaw::EarlyLineEnd : ReplyFlaw::ForeignByte;
    return r;
  }
  r.length = reply.size();
  if (reply.size() <= image) return r;
  if (!isLineEnd(reply[image])) {
    r.verdict = ReplyVerdict::Garbled;
    r.length = image + 1;
    r.flaw = ReplyFlaw::NoLineEnd;
    return r;
  }
  r.verdict = ReplyVerdict::Complete;
  r.length = image + (reply.substr(image, 2) == "\r\n" ? 2 : 1);
  return r;
}

// Which of two readings of the same bytes to believe.
int rank(ReplyVerdict v) {
  switch (v) {
    case ReplyVerdict::Complete: return 3;
    case ReplyVerdict::Partial: return 2;
    case ReplyVerdict::Refused: return 1;
    default: return 0;
  }
}

}  // namespace

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

ReplyReading readReply(std::string_view received, int page) {
  if (trimmedReply(received).empty()) return {ReplyVerdict::Silent, 0, received.size()};
  const ReplyReading whole = readFrom(received, 0, page);
  if (!isLineEnd(received[0]) || rank(whole.verdict) >= rank(ReplyVerdict::Partial)) return whole;
  const ReplyReading past = readFrom(received, 1, page);
  return rank(past.verdict) > rank(whole.verdict) ? past : whole;
}

std::string replyImage(std::string_view received, int page) {
  return std::string(received.substr(readReply(received, page).start, imageLength(page)));
}

bool lineFeedMayFollow(std::string_view received, int page) {
  const ReplyReading r = readReply(received, page);
  return r.verdict == ReplyVerdict::Complete && r.start + r.length == received.size() && received.back() == '\r';
}

}  // namespace velkor
