// Any bytes as a board's answer, arriving in any pieces: the download verdict
// only moves forward, pieces agree with the whole, a reply still waited for
// can always become an image and its line end, a complete reply is an image
// the editor could have written followed by CR LF, CR or LF, and no stray
// byte in front of one ever shifts it; the echo check accepts exactly the line.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "board/reply_rules.h"
#include "image/image_check.h"
#include "image/program_images.h"
#include "pieces.h"

using namespace velkor;

namespace {

bool terminal(ReplyVerdict v) {
  return v == ReplyVerdict::Complete || v == ReplyVerdict::Refused || v == ReplyVerdict::Garbled;
}

bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

// Moves a verdict may make as bytes are added. A reply led by a line end is
// read both with and past it until one reading fails, so it may go from
// Partial to the other reading's refusal.
bool allowedStep(ReplyVerdict from, ReplyVerdict to, bool ledByLineEnd) {
  switch (from) {
    case ReplyVerdict::Silent: return true;
    case ReplyVerdict::Partial: return to != ReplyVerdict::Silent && (to != ReplyVerdict::Refused || ledByLineEnd);
    case ReplyVerdict::Complete:
    case ReplyVerdict::Refused:
    case ReplyVerdict::Garbled: return to == from;
  }
  return false;
}

bool blank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

const ProgramImages& soundImages() { return emptyProgramImages(); }

bool takenAs(const std::string& received, int page, const std::string& image) {
  return judgeReply(received, page) == ReplyVerdict::Complete && replyImage(received, page) == image;
}

void checkDownload(const fuzzing::PiecedInput& in, int page) {
  const std::size_t length = imageLength(page);
  // As the transfer reads it: judged after each piece, done at the first final verdict.
  std::string reception;
  ReplyVerdict verdict = ReplyVerdict::Silent;
  for (std::string_view piece : in.pieces) {
    reception += piece;
    const ReplyVerdict next = judgeReply(reception, page);
    if (!allowedStep(verdict, next, isLineEnd(reception[0]))) std::abort();
    verdict = next;
    if (terminal(verdict)) break;
  }
  const ReplyReading whole = readReply(in.stream, page);
  if (whole.verdict != verdict || whole.start > 1) std::abort();
  if (whole.start == 1 && !isLineEnd(in.stream[0])) std::abort();
  if (verdict == ReplyVerdict::Partial) {
    // Never a dead end: a sound image's tail and a CR make it complete.
    if (in.stream.size() >= length + 2) std::abort();
    const std::string sound = soundImages()[page];
    const std::string image = std::string(in.stream.substr(whole.start)) + sound.substr(in.stream.size() - whole.start);
    if (!takenAs(std::string(in.stream) + sound.substr(in.stream.size() - whole.start) + "\r", page, image))
      std::abort();
    return;
  }
  if (verdict != ReplyVerdict::Complete) return;

  const std::string image = replyImage(reception, page);
  if (image.size() != length || image != replyImage(in.stream, page)) std::abort();
  if (!isLineEnd(in.stream[whole.start + length]) || !imageFaults(page, image).empty()) std::abort();
  // Without a line end it is not complete; with any, it is the same image,
  // also after a late line end; after any other stray byte it is never taken.
  if (judgeReply(image, page) != ReplyVerdict::Partial) std::abort();
  for (const char* end : {"\r\n", "\r", "\n"}) {
    if (!takenAs(image + end, page, image)) std::abort();
    for (const char late : {'\r', '\n'})
      if (!takenAs(std::string(1, late) + image + end, page, image)) std::abort();
    const char stray = static_cast<char>(in.selector);
    if (!isLineEnd(stray) && judgeReply(std::string(1, stray) + image + end, page) == ReplyVerdict::Complete)
      std::abort();
  }
}

void checkEcho(const fuzzing::PiecedInput& in) {
  const std::string_view line = in.stream;
  const std::string_view core = trimmedReply(line);
  if (!core.empty() && (blank(core.front()) || blank(core.back()))) std::abort();
  const std::string echo = std::string(line) + "\r\n";
  if (!echoMatches(echo, line) || !echoMatches(line, echo)) std::abort();
  if (!echoMatches(std::string(" \n\0", 3) + echo + '\0', line)) std::abort();

  // The echo in the pieces it came in: not accepted before the whole line is there.
  std::string reception;
  for (std::string_view piece : in.pieces) {
    reception += piece;
    if (echoMatches(reception, line) != (trimmedReply(reception).size() == core.size())) std::abort();
  }
  if (core.empty()) return;
  // One byte changed inside the line is a mismatch.
  std::string wrong(line);
  const std::size_t at = static_cast<std::size_t>(core.data() - line.data()) + in.selector % core.size();
  wrong[at] = static_cast<char>(wrong[at] ^ (blank(wrong[at]) ? 0x40 : 0x01));
  if (echoMatches(wrong + "\r\n", line)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Replies are tens of bytes; longer inputs only slow the search (the checks
  // are quadratic on blanks fed a byte at a time).
  if (size > 1024) return 0;
  fuzzing::PiecedInput in;
  if (!fuzzing::splitInput(data, size, in)) return 0;
  checkDownload(in, 1 + in.selector % kPageCount);
  checkEcho(in);
  return 0;
}
