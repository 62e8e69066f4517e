#include "board/board_emulator.h"

namespace velkor {
namespace {

constexpr char kCr = '\r';

// Page of a request: "L"/"P" then "L" (logic, 1-7) or "A" (analog, 1-4), then the digit.
int pageOf(char kind, char digit) {
  const int n = digit - '0';
  if (kind == 'L' && n >= 1 && n <= kLogicPageCount) return n;
  if (kind == 'A' && n >= 1 && n <= kPageCount - kLogicPageCount) return kLogicPageCount + n;
  return 0;
}

}  // namespace

// A board fresh from the factory holds the empty program.
BoardEmulator::BoardEmulator(EmulatorFaults faults) : images(emptyProgramImages()), faults_(faults) {}

std::vector<TimedBytes> BoardEmulator::receive(std::string_view bytes) {
  std::vector<TimedBytes> out;
  for (char b : bytes) {
    if (hungUp_) break;
    if (b != kCr) {
      pending_ += b;
      continue;
    }
    std::string line = std::move(pending_);
    pending_.clear();
    // Blanks before a command (a terminal's stray LF) are no part of it.
    const std::size_t start = line.find_first_of("PL");
    if (start == std::string::npos) continue;
    line.erase(0, start);
    ++lines_;
    const bool faulty = faults_.onlyLine <= 0 || faults_.onlyLine == lines_;
    std::string reply = answer(line, faulty);
    if (!reply.empty() && !(faulty && faults_.silent))
      for (TimedBytes& piece : timed(std::move(reply), faulty)) out.push_back(std::move(piece));
    if (faults_.hangUpAfterLines >= 0 && lines_ >= faults_.hangUpAfterLines) hungUp_ = true;
  }
  return out;
}

std::string BoardEmulator::answer(std::string_view line, bool faulty) {
  if (line.size() < 3) return {};
  const int page = pageOf(line[1], line[2]);
  if (page == 0) return {};

  if (line[0] == 'P') {
    const std::string_view image = line.substr(3);
    if (image.size() != imageLength(page)) return {};
    images[page] = std::string(image);
    std::string echo = std::string(line) + std::string(faults_.lineEnd);
    if (faulty && faults_.corruptEcho) echo[3] = static_cast<char>(echo[3] ^ 0x40);
    return echo;
  }
  if (line.size() != 3) return {};  // "LL"/"LA" with its digit and nothing else
  std::string reply = images[page];
  if (faulty && faults_.noProgram) reply[0] = '?';
  if (faulty && faults_.blanksOnly) reply.assign(reply.size(), ' ');
  reply += faults_.lineEnd;
  if (!faulty) return reply;
  if (faults_.truncateReply >= 0 && static_cast<std::size_t>(faults_.truncateReply) < reply.size())
    reply.resize(static_cast<std::size_t>(faults_.truncateReply));
  return reply;
}

std::vector<TimedBytes> BoardEmulator::timed(std::string bytes, bool faulty) const {
  if (!faulty) return {{0, std::move(bytes)}};
  if (faults_.pieceSize <= 0) return {{faults_.replyDelayMs, std::move(bytes)}};
  std::vector<TimedBytes> pieces;
  const auto size = static_cast<std::size_t>(faults_.pieceSize);
  for (std::size_t at = 0; at < bytes.size(); at += size)
    pieces.push_back({at == 0 ? faults_.replyDelayMs : faults_.pieceDelayMs, bytes.substr(at, size)});
  return pieces;
}

}  // namespace velkor
