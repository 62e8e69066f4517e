// A board in software: what the I/O board answers on its serial line.
//
// It keeps eleven program images, echoes every "PL"/"PA" line it stores and
// answers "LL"/"LA" requests with the image, each followed by CR LF (or, as
// some firmwares do, by CR alone or LF alone). Faults can be switched
// on to try the editor against a board that misbehaves. The emulator itself
// does no I/O: it takes the bytes the editor sent and returns the bytes to
// send back, each piece with the delay to wait before it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "image/program_images.h"

namespace velkor {

struct EmulatorFaults {
  bool silent = false;        // answers nothing at all
  bool corruptEcho = false;   // the echo differs in one image byte
  int pieceSize = 0;          // > 0: answers in pieces of this many bytes
  int pieceDelayMs = 0;       // pause between two pieces
  int replyDelayMs = 0;       // pause before an answer starts
  int truncateReply = -1;     // >= 0: an image reply is cut to this many bytes
  bool noProgram = false;     // image replies start with "?" (no program stored)
  bool blanksOnly = false;    // image replies are blanks and line ends only
  int hangUpAfterLines = -1;  // >= 0: the line goes dead after this many lines
  int onlyLine = 0;           // > 0: the answer faults apply to this line only (1 = first)
  std::string_view lineEnd = "\r\n";  // what ends every answer: CR LF, CR or LF
};

struct TimedBytes {
  int delayMs = 0;  // after the previous piece
  std::string bytes;
};

class BoardEmulator {
 public:
  explicit BoardEmulator(EmulatorFaults faults = {});

  // Bytes from the editor; the answer, in timed pieces (empty when none).
  std::vector<TimedBytes> receive(std::string_view bytes);

  // True once the line went dead (hangUpAfterLines reached).
  bool hungUp() const { return hungUp_; }
  int linesHandled() const { return lines_; }

  ProgramImages images;  // the board's memory, SL1-SL7 then SA1-SA4

 private:
  std::string answer(std::string_view line, bool faulty);
  std::vector<TimedBytes> timed(std::string bytes, bool faulty) const;

  EmulatorFaults faults_;
  std::string pending_;
  int lines_ = 0;
  bool hungUp_ = false;
};

}  // namespace velkor
