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

// Why what came back is not the echo of the line, once the wait is over.
enum class EchoFault {
  Silence,    // nothing but bytes 0x00-0x20
  Cut,        // the start of the line only: the rest was lost on the way
  Different,  // something else than the line
};
EchoFault echoFault(std::string_view received, std::string_view line);

enum class ReplyVerdict {
  Silent,    // nothing but bytes 0x00-0x20 so far
  Partial,   // a reply has started and is shorter than the image and its CR LF
  Complete,  // the image, holding only bytes the editor writes, then CR LF
  Refused,   // the first byte is no condition code (1-11): no program
  Garbled,   // as long as a reply, but not an image followed by CR LF
};

// The state of a download reply for `page` after `received` arrived. Only the
// first bytes, as many as the image and its CR LF, count: once Complete,
// Refused or Garbled it stays so whatever follows. A reply is taken only
// whole with its line end, so no byte of it can be left to start the next
// one; and one shifted or mangled on the line is told by its bytes.
ReplyVerdict judgeReply(std::string_view received, int page);

// The image in a Complete reply: its first bytes, as many as the page's image
// holds, so the line end is no part of it.
std::string replyImage(std::string_view received, int page);

}  // namespace velkor
