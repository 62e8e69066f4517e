// Any bytes sent to the emulated board, in any pieces: it never fails, its
// memory always holds images of the right lengths, pieces give the same
// answers as the whole, and without faults every echo is a line it was sent
// followed by its line end (CR LF, CR or LF).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "board/board_emulator.h"
#include "image/program_images.h"
#include "pieces.h"

using namespace velkor;

namespace {

// The selector picks the faults: 0-7 none, then one of them; and the line end.
EmulatorFaults faultsFor(std::uint8_t selector) {
  static constexpr std::string_view kLineEnds[] = {"\r\n", "\r", "\n"};
  EmulatorFaults f;
  f.lineEnd = kLineEnds[selector / 16 % 3];
  switch (selector % 16) {
    case 8: f.corruptEcho = true; break;
    case 9: f.noProgram = true; break;
    case 10: f.blanksOnly = true; break;
    case 11: f.truncateReply = selector / 16; break;
    case 12: f.silent = true; f.onlyLine = 1 + selector / 16; break;
    case 13: f.hangUpAfterLines = selector / 16; break;
    case 14: f.pieceSize = 1 + selector / 16; f.pieceDelayMs = 1; break;
    case 15: f.noProgram = true; f.onlyLine = 1 + selector / 16; break;
    default: break;
  }
  return f;
}

bool allImagesSound(const BoardEmulator& board) {
  for (int p = 1; p <= kPageCount; ++p)
    if (board.images[p].size() != imageLength(p)) return false;
  return true;
}


int pageOf(char kind, char digit) {
  const int n = digit - '0';
  if (kind == 'L' && n >= 1 && n <= kLogicPageCount) return n;
  if (kind == 'A' && n >= 1 && n <= kPageCount - kLogicPageCount) return kLogicPageCount + n;
  return 0;
}

// An answer of a board without faults to what it was sent so far.
bool soundAnswer(const std::string& answer, std::string_view sent, std::string_view lineEnd) {
  if (!answer.ends_with(lineEnd)) return false;
  const std::string body = answer.substr(0, answer.size() - lineEnd.size());
  // An image, sent for a request (any bytes a "PL"/"PA" line stored).
  if (body.size() == kLogicImageLength || body.size() == kAnalogImageLength) return true;
  // Otherwise an echo: a whole line that went out, of its page's image length.
  if (body.size() < 3 || body[0] != 'P') return false;
  const int page = pageOf(body[1], body[2]);
  return page != 0 && body.size() == 3 + imageLength(page) && sent.find(body + '\r') != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::PiecedInput in;
  if (!fuzzing::splitInput(data, size, in)) return 0;
  const EmulatorFaults faults = faultsFor(in.selector);
  const bool faultFree = in.selector % 16 < 8;

  BoardEmulator pieced(faults);
  std::string piecedAnswers;
  std::size_t sentSoFar = 0;
  for (std::string_view piece : in.pieces) {
    sentSoFar += piece.size();
    for (const TimedBytes& t : pieced.receive(piece)) {
      if (t.delayMs < 0) std::abort();
      if (faultFree && !soundAnswer(t.bytes, in.stream.substr(0, sentSoFar), faults.lineEnd)) std::abort();
      piecedAnswers += t.bytes;
    }
    if (!allImagesSound(pieced)) std::abort();
  }

  BoardEmulator whole(faults);
  std::string wholeAnswers;
  for (const TimedBytes& t : whole.receive(in.stream)) wholeAnswers += t.bytes;
  if (wholeAnswers != piecedAnswers || whole.images != pieced.images) std::abort();
  if (whole.linesHandled() != pieced.linesHandled() || whole.hungUp() != pieced.hungUp()) std::abort();
  return 0;
}
