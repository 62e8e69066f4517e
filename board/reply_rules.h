// What the editor makes of the bytes a board sent back, without the port:
// the echo check of an upload and the verdict on a download reply. Kept apart
// from the transfer so they can be tried on any bytes.
#pragma once

#include <string>
#include <string_view>

namespace velkor {

// Bytes 0x00-0x20 removed at both ends: the board may add line ends or blanks.
std::string_view trimmedReply(std::string_view s);

// True when what came back is the line sent, both trimmed.
bool echoMatches(std::string_view received, std::string_view line);

enum class ReplyVerdict {
  Silent,    // nothing but bytes 0x00-0x20 so far
  Partial,   // a reply has started and is shorter than the image
  Complete,  // the whole image is there
  Refused,   // the first byte is no condition code (1-11): no program
};

// The state of a download reply for `page` after `received` arrived. Once
// Complete or Refused it stays so whatever follows.
ReplyVerdict judgeReply(std::string_view received, int page);

// The image in a Complete reply: its first bytes, as many as the page's image
// holds, so a trailing line end is no part of it.
std::string replyImage(std::string_view received, int page);

}  // namespace velkor
