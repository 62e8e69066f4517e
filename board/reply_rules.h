// What the editor makes of the bytes a board sent back, without the port:
// the echo check of an upload and the verdict on a download reply. Kept apart
// from the transfer so they can be tried on any bytes.
#pragma once

#include <cstddef>
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
  Partial,   // a reply has started and may still become an image and its line end
  Complete,  // the image, holding only bytes the editor writes, then CR LF, CR or LF
  Refused,   // the first byte is no condition code (1-11): no program
  Garbled,   // no image and line end can come of it any more
};

// Why a Garbled reply can never be an image.
enum class ReplyFlaw {
  None,
  EarlyLineEnd,  // a line end before the image's last byte: too short
  NoLineEnd,     // a byte more where the line end should be: too long
  ForeignByte,   // a byte the editor never writes at its place
};

// What a reply for `page` holds after `received` arrived.
struct ReplyReading {
  ReplyVerdict verdict = ReplyVerdict::Silent;
  // 1 when the reply follows a line end that the previous one left behind.
  std::size_t start = 0;
  // Bytes of the reply from `start`: so far (Partial), up to and with its
  // line end (Complete), up to and with the byte that spoilt it (Garbled).
  std::size_t length = 0;
  ReplyFlaw flaw = ReplyFlaw::None;
};

// Reads a download reply for `page`. It is the image followed by a line end
// (CR LF, CR or LF); only its first bytes, as far as that line end, count:
// once Complete, Refused or Garbled it stays so whatever follows. A reply is
// taken only whole with its line end, and one shifted or mangled on the line
// is told by its bytes, as soon as no image can come of it. A line end in
// front (the previous reply's LF, come late) is passed over when, counted
// in, the reply could not be an image: it would be one byte too long.
ReplyReading readReply(std::string_view received, int page);
inline ReplyVerdict judgeReply(std::string_view received, int page) { return readReply(received, page).verdict; }

// The image in a Complete reply, without what is around it.
std::string replyImage(std::string_view received, int page);

// True when a Complete reply ends with a CR and nothing after it: its LF may
// still be on the way, and must not be left to lead the next reply.
bool lineFeedMayFollow(std::string_view received, int page);

}  // namespace velkor
