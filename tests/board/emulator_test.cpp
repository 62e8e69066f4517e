#include <gtest/gtest.h>

#include "board/board_emulator.h"
#include "image/program.h"
#include "support/programs.h"
#include "support/row_names.h"

namespace velkor {
namespace {

std::string joined(const std::vector<TimedBytes>& pieces) {
  std::string all;
  for (const TimedBytes& p : pieces) all += p.bytes;
  return all;
}

ProgramImages exampleImages() {
  Program program;
  program.initialiserPages();
  testing_support::makeExample(program);
  program.document.choix01_01Select(FieldId::slot(2, 1), "EA3");  // a line-feed byte in the line
  program.construireImages();
  return program.images;
}

TEST(BoardEmulator, StoresEchoesAndSendsBackEveryImage) {
  BoardEmulator board;
  const ProgramImages images = exampleImages();
  for (int p = 1; p <= kPageCount; ++p) {
    const std::string line = (p <= 7 ? "PL" + std::to_string(p) : "PA" + std::to_string(p - 7)) + images[p] + "\r";
    EXPECT_EQ(joined(board.receive(line)), line + "\n") << p;
  }
  EXPECT_EQ(board.images, images);
  EXPECT_EQ(joined(board.receive("LL2\r")), images[2] + "\r\n");
  EXPECT_EQ(joined(board.receive("LA4\r")), images[11] + "\r\n");
  EXPECT_EQ(board.linesHandled(), 13);
}

TEST(BoardEmulator, LinesMayArriveInAnyPieces) {
  BoardEmulator board;
  const ProgramImages images = exampleImages();
  const std::string line = "PL2" + images[2] + "\r";
  std::string echo;
  for (char c : line) echo += joined(board.receive(std::string(1, c)));
  EXPECT_EQ(echo, line + "\n");
  EXPECT_EQ(board.images[2], images[2]);
}

TEST(BoardEmulator, IgnoresWhatIsNoRequest) {
  BoardEmulator board;
  const ProgramImages before = board.images;
  for (const char* line : {"PL8" "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\r", "PL1short\r", "PA5\r", "LL0\r",
                           "LL12\r", "XY1\r", "\r", "LA\r"})
    EXPECT_EQ(joined(board.receive(line)), "") << line;
  EXPECT_EQ(board.images, before);
  EXPECT_EQ(joined(board.receive("\nLL1\r")), before[1] + "\r\n") << "a stray line feed before a request";
}

struct FaultRow {
  const char* what;
  EmulatorFaults faults;
  std::string request;
  std::string expected;  // "" = nothing at all
};

class EmulatorFault : public testing::TestWithParam<FaultRow> {};

TEST_P(EmulatorFault, ChangesTheAnswer) {
  const FaultRow& row = GetParam();
  BoardEmulator board(row.faults);
  EXPECT_EQ(joined(board.receive(row.request)), row.expected) << row.what;
}

const std::string kDefault1 = std::string("\x01") + "R?R?R?R?R?R?R?R?R?R?" + "U0000U0000U0000U0000" + "00000";

INSTANTIATE_TEST_SUITE_P(
    Rows, EmulatorFault,
    testing::Values(FaultRow{"silent", {.silent = true}, "LL1\r", ""},
                    FaultRow{"no program", {.noProgram = true}, "LL1\r", "?" + kDefault1.substr(1) + "\r\n"},
                    FaultRow{"blanks", {.blanksOnly = true}, "LL1\r", std::string(46, ' ') + "\r\n"},
                    FaultRow{"truncated", {.truncateReply = 20}, "LL1\r", kDefault1.substr(0, 20)},
                    FaultRow{"corrupt echo", {.corruptEcho = true}, "PL1" + kDefault1 + "\r",
                             "PL1A" + kDefault1.substr(1) + "\r\n"},
                    FaultRow{"replies ending with CR", {.lineEnd = "\r"}, "LL1\r", kDefault1 + "\r"},
                    FaultRow{"echoes ending with LF", {.lineEnd = "\n"}, "PL1" + kDefault1 + "\r",
                             "PL1" + kDefault1 + "\n"},
                    FaultRow{"truncated, ending with LF", {.truncateReply = 47, .lineEnd = "\n"}, "LL1\r",
                             kDefault1 + "\n"}),
    testing_support::RowIndexName());

TEST(BoardEmulator, PiecesCarryTheirDelays) {
  BoardEmulator board({.pieceSize = 10, .pieceDelayMs = 300, .replyDelayMs = 1900});
  const auto pieces = board.receive("LL1\r");
  ASSERT_EQ(pieces.size(), 5u);  // 48 bytes in pieces of 10
  EXPECT_EQ(pieces[0].delayMs, 1900);
  EXPECT_EQ(pieces[1].delayMs, 300);
  EXPECT_EQ(joined(pieces), kDefault1 + "\r\n");
}

TEST(BoardEmulator, HangsUpAfterItsLines) {
  BoardEmulator board({.hangUpAfterLines = 2});
  EXPECT_FALSE(joined(board.receive("LL1\r")).empty());
  EXPECT_FALSE(joined(board.receive("LL2\r")).empty());
  EXPECT_TRUE(board.hungUp());
  EXPECT_EQ(joined(board.receive("LL3\r")), "");
}

}  // namespace
}  // namespace velkor
