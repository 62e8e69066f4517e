#include "board/reply_rules.h"

#include <gtest/gtest.h>

#include "image/program.h"
#include "support/row_names.h"

namespace velkor {
namespace {

const ProgramImages& defaultImages() {
  static const ProgramImages images = [] {
    Program program;
    program.initialiserPages();
    program.construireImages();
    return program.images;
  }();
  return images;
}

struct ReplyRow {
  const char* what;
  int page;
  std::string received;
  ReplyVerdict verdict;
  std::string image;  // checked when Complete
};

class Reply : public testing::TestWithParam<ReplyRow> {};

TEST_P(Reply, IsJudgedByItsFirstByteLineEndAndBytes) {
  const ReplyRow& row = GetParam();
  EXPECT_EQ(judgeReply(row.received, row.page), row.verdict) << row.what;
  if (row.verdict == ReplyVerdict::Complete) {
    EXPECT_EQ(replyImage(row.received, row.page), row.image) << row.what;
  }
}

const std::string kBlank45(45, ' ');

// SL1's image with one byte changed, then CR LF.
std::string changed(std::size_t position, char byte) {
  std::string image = defaultImages()[1];
  image[position - 1] = byte;
  return image + "\r\n";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Reply,
    testing::Values(
        ReplyRow{"logic image and line end", 1, defaultImages()[1] + "\r\n", ReplyVerdict::Complete,
                 defaultImages()[1]},
        ReplyRow{"bytes after the line end", 8, defaultImages()[8] + "\r\nLL1", ReplyVerdict::Complete,
                 defaultImages()[8]},
        // The line end is part of the reply: without it the reply is not over yet.
        ReplyRow{"analog image without line end", 9, defaultImages()[9], ReplyVerdict::Partial, ""},
        ReplyRow{"logic image and CR, the LF late", 1, defaultImages()[1] + "\r", ReplyVerdict::Partial, ""},
        // What a late LF of the previous reply made of this one: shifted by a byte.
        ReplyRow{"a line feed before the image", 2, "\n" + defaultImages()[2] + "\r\n", ReplyVerdict::Garbled, ""},
        ReplyRow{"a byte more before the line end", 1, defaultImages()[1] + "0\r\n", ReplyVerdict::Garbled, ""},
        ReplyRow{"LF CR", 8, defaultImages()[8] + "\n\r", ReplyVerdict::Garbled, ""},
        // Bytes the editor never writes.
        ReplyRow{"code 12", 1, changed(3, '\x0c'), ReplyVerdict::Garbled, ""},
        ReplyRow{"EA1 on an analog output", 8, "\x08" + defaultImages()[8].substr(1) + "\r\n", ReplyVerdict::Garbled,
                 ""},
        ReplyRow{"link", 1, changed(2, 'o'), ReplyVerdict::Garbled, ""},
        ReplyRow{"comparator", 1, changed(comparatorPosition(3), 'V'), ReplyVerdict::Garbled, ""},
        ReplyRow{"digit", 1, changed(logicPausePosition, 'O'), ReplyVerdict::Garbled, ""},
        ReplyRow{"hold flag", 9, defaultImages()[9].substr(0, 22) + "f\r\n", ReplyVerdict::Garbled, ""},
        ReplyRow{"one byte short", 2, defaultImages()[2].substr(0, 45), ReplyVerdict::Partial, ""},
        ReplyRow{"analog length on a logic page", 3, defaultImages()[8] + "\r\n", ReplyVerdict::Partial, ""},
        ReplyRow{"nothing", 1, "", ReplyVerdict::Silent, ""},
        ReplyRow{"a condition code alone", 1, "\x01", ReplyVerdict::Silent, ""},
        ReplyRow{"blanks and line ends", 1, std::string(46, ' ') + "\r\n", ReplyVerdict::Silent, ""},
        ReplyRow{"no program", 1, "?" + defaultImages()[1].substr(1) + "\r\n", ReplyVerdict::Refused, ""},
        ReplyRow{"a line end before the image", 1, "\r\n" + defaultImages()[1], ReplyVerdict::Refused, ""},
        ReplyRow{"a NUL first", 8, std::string(1, '\0') + defaultImages()[8], ReplyVerdict::Refused, ""},
        ReplyRow{"code 12 first", 8, "\x0c" + defaultImages()[8].substr(1), ReplyVerdict::Refused, ""},
        // Found by fuzzing: what completes a reply may lie past the image.
        ReplyRow{"a code and blanks, then a byte", 1, "\x03" + kBlank45 + "  !", ReplyVerdict::Garbled, ""}),
    testing_support::RowIndexName());

struct EchoRow {
  const char* what;
  std::string received;
  std::string line;
  bool matches;
};

class Echo : public testing::TestWithParam<EchoRow> {};

TEST(EchoFault, ToldFromSilenceAndFromALostPart) {
  const std::string line = "PL1" + defaultImages()[1] + "\r";
  EXPECT_EQ(echoFault("\r\n\0", line), EchoFault::Silence);
  EXPECT_EQ(echoFault("\nPL1" + defaultImages()[1].substr(0, 20), line), EchoFault::Cut);
  EXPECT_EQ(echoFault("PL1" + defaultImages()[2] + "\r\n", line), EchoFault::Different);
  EXPECT_EQ(echoFault(line + "PL1", line), EchoFault::Different);
}

TEST_P(Echo, MatchesTheLineTrimmedOfBlanks) {
  const EchoRow& row = GetParam();
  EXPECT_EQ(echoMatches(row.received, row.line), row.matches) << row.what;
  EXPECT_EQ(echoMatches(row.line, row.received), row.matches) << row.what << ", either way round";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Echo,
    testing::Values(EchoRow{"as the board sends it", "PL1" + defaultImages()[1] + "\r\n",
                            "PL1" + defaultImages()[1] + "\r", true},
                    EchoRow{"after a stray line feed and NUL", std::string("\n\0PA2", 5) + defaultImages()[9] + "\r\n",
                            "PA2" + defaultImages()[9] + "\r", true},
                    EchoRow{"one byte different", "PL1" + defaultImages()[2] + "\r\n",
                            "PL1" + defaultImages()[1] + "\r", false},
                    EchoRow{"cut short", "PL1" + defaultImages()[1].substr(0, 40), "PL1" + defaultImages()[1] + "\r",
                            false},
                    EchoRow{"a byte more", "PL1" + defaultImages()[1] + "x\r\n", "PL1" + defaultImages()[1] + "\r",
                            false},
                    EchoRow{"a blank inside is kept", "P L", "PL", false},
                    EchoRow{"nothing but line ends", "\r\n", "\r", true}),
    testing_support::RowIndexName());

}  // namespace
}  // namespace velkor
