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

TEST_P(Reply, IsJudgedByItsFirstByteAndLength) {
  const ReplyRow& row = GetParam();
  EXPECT_EQ(judgeReply(row.received, row.page), row.verdict) << row.what;
  if (row.verdict == ReplyVerdict::Complete) {
    EXPECT_EQ(replyImage(row.received, row.page), row.image) << row.what;
  }
}

const std::string kBlank45(45, ' ');

INSTANTIATE_TEST_SUITE_P(
    Rows, Reply,
    testing::Values(
        ReplyRow{"logic image and line end", 1, defaultImages()[1] + "\r\n", ReplyVerdict::Complete,
                 defaultImages()[1]},
        ReplyRow{"analog image without line end", 9, defaultImages()[9], ReplyVerdict::Complete, defaultImages()[9]},
        ReplyRow{"bytes after the image", 8, defaultImages()[8] + "\r\nLL1", ReplyVerdict::Complete,
                 defaultImages()[8]},
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
        ReplyRow{"a code and blanks, then a byte", 1, "\x03" + kBlank45 + "  !", ReplyVerdict::Complete,
                 "\x03" + kBlank45}),
    testing_support::RowIndexName());

struct EchoRow {
  const char* what;
  std::string received;
  std::string line;
  bool matches;
};

class Echo : public testing::TestWithParam<EchoRow> {};

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
