#include "board/reply_rules.h"

#include <gtest/gtest.h>

#include "image/program_images.h"
#include "support/row_names.h"

namespace velkor {
namespace {

const ProgramImages& defaultImages() { return emptyProgramImages(); }

struct ReplyRow {
  const char* what;
  int page;
  std::string received;
  ReplyVerdict verdict;
  std::string image{};               // checked when Complete
  ReplyFlaw flaw = ReplyFlaw::None;  // checked when Garbled
};

class Reply : public testing::TestWithParam<ReplyRow> {};

TEST_P(Reply, IsJudgedByItsFirstByteLineEndAndBytes) {
  const ReplyRow& row = GetParam();
  const ReplyReading reading = readReply(row.received, row.page);
  EXPECT_EQ(reading.verdict, row.verdict) << row.what;
  if (row.verdict == ReplyVerdict::Complete) {
    EXPECT_EQ(replyImage(row.received, row.page), row.image) << row.what;
  }
  if (row.verdict == ReplyVerdict::Garbled) {
    EXPECT_EQ(reading.flaw, row.flaw) << row.what;
  }
}

const std::string kBlank45(45, ' ');

// SL1's image with one byte changed, then CR LF.
std::string changed(std::size_t position, char byte) {
  std::string image = defaultImages()[1];
  image[position - 1] = byte;
  return image + "\r\n";
}

// SL2 with EA3 (a line-feed byte) as its first condition.
const std::string kLineFeedFirst = "\n" + defaultImages()[2].substr(1);

INSTANTIATE_TEST_SUITE_P(
    Rows, Reply,
    testing::Values(
        ReplyRow{"image and CR LF", 1, defaultImages()[1] + "\r\n", ReplyVerdict::Complete, defaultImages()[1]},
        ReplyRow{"image and CR", 9, defaultImages()[9] + "\r", ReplyVerdict::Complete, defaultImages()[9]},
        ReplyRow{"image and LF", 2, kLineFeedFirst + "\n", ReplyVerdict::Complete, kLineFeedFirst},
        ReplyRow{"bytes after the line end", 8, defaultImages()[8] + "\r\nLL1", ReplyVerdict::Complete,
                 defaultImages()[8]},
        ReplyRow{"LF then CR", 8, defaultImages()[8] + "\n\r", ReplyVerdict::Complete, defaultImages()[8]},
        // The previous reply's LF, come late, leads this one: read past it.
        ReplyRow{"a line feed before the image", 2, "\n" + defaultImages()[2] + "\r\n", ReplyVerdict::Complete,
                 defaultImages()[2]},
        ReplyRow{"a line feed before an analog image", 10, "\n" + defaultImages()[10] + "\r", ReplyVerdict::Complete,
                 defaultImages()[10]},
        ReplyRow{"a line feed before an image that starts with one", 2, "\n" + kLineFeedFirst + "\n",
                 ReplyVerdict::Complete, kLineFeedFirst},
        ReplyRow{"a CR before the image", 1, "\r" + defaultImages()[1] + "\r\n", ReplyVerdict::Complete,
                 defaultImages()[1]},
        // Without its line end the reply is not over yet.
        ReplyRow{"image without line end", 9, defaultImages()[9], ReplyVerdict::Partial},
        ReplyRow{"one byte short", 2, defaultImages()[2].substr(0, 45), ReplyVerdict::Partial},
        ReplyRow{"a line feed, then the start of an image", 3, "\n" + defaultImages()[3].substr(0, 20),
                 ReplyVerdict::Partial},
        // No image can come of these any more.
        ReplyRow{"a byte more before the line end", 1, defaultImages()[1] + "0\r\n", ReplyVerdict::Garbled, "",
                 ReplyFlaw::NoLineEnd},
        ReplyRow{"an analog image on a logic page", 3, defaultImages()[8] + "\r\n", ReplyVerdict::Garbled, "",
                 ReplyFlaw::ForeignByte},
        ReplyRow{"cut, with its line end", 1, defaultImages()[1].substr(0, 30) + "\n", ReplyVerdict::Garbled, "",
                 ReplyFlaw::EarlyLineEnd},
        ReplyRow{"two line ends before the image", 8, "\n\n" + defaultImages()[8] + "\r\n", ReplyVerdict::Garbled,
                 "", ReplyFlaw::EarlyLineEnd},
        ReplyRow{"code 12", 1, changed(3, '\x0c'), ReplyVerdict::Garbled, "", ReplyFlaw::ForeignByte},
        ReplyRow{"EA1 on an analog output", 8, "\x08" + defaultImages()[8].substr(1) + "\r\n", ReplyVerdict::Garbled,
                 "", ReplyFlaw::ForeignByte},
        ReplyRow{"link", 1, changed(2, 'o'), ReplyVerdict::Garbled, "", ReplyFlaw::ForeignByte},
        ReplyRow{"comparator", 1, changed(comparatorPosition(3), 'V'), ReplyVerdict::Garbled, "",
                 ReplyFlaw::ForeignByte},
        ReplyRow{"digit", 1, changed(logicPausePosition, 'O'), ReplyVerdict::Garbled, "", ReplyFlaw::ForeignByte},
        ReplyRow{"hold flag", 9, defaultImages()[9].substr(0, 22) + "f", ReplyVerdict::Garbled, "",
                 ReplyFlaw::ForeignByte},
        // Found by fuzzing: what completes a reply may lie past the image.
        ReplyRow{"a code and blanks, then a byte", 1, "\x03" + kBlank45 + "  !", ReplyVerdict::Garbled, "",
                 ReplyFlaw::ForeignByte},
        ReplyRow{"nothing", 1, "", ReplyVerdict::Silent},
        ReplyRow{"a condition code alone", 1, "\x01", ReplyVerdict::Silent},
        ReplyRow{"blanks and line ends", 1, std::string(46, ' ') + "\r\n", ReplyVerdict::Silent},
        ReplyRow{"no program", 1, "?" + defaultImages()[1].substr(1) + "\r\n", ReplyVerdict::Refused},
        ReplyRow{"no program, after a late line feed", 1, "\n?" + defaultImages()[1].substr(1) + "\r\n",
                 ReplyVerdict::Refused},
        ReplyRow{"CR LF before the image", 1, "\r\n" + defaultImages()[1], ReplyVerdict::Refused},
        ReplyRow{"a NUL first", 8, std::string(1, '\0') + defaultImages()[8], ReplyVerdict::Refused},
        ReplyRow{"code 12 first", 8, "\x0c" + defaultImages()[8].substr(1), ReplyVerdict::Refused}),
    testing_support::RowIndexName());

// Only a CR with nothing after it may yet have its LF on the way.
TEST(Reply, WaitsForALineFeedOnlyAfterALoneCr) {
  const std::string image = defaultImages()[8];
  EXPECT_TRUE(lineFeedMayFollow(image + "\r", 8));
  EXPECT_TRUE(lineFeedMayFollow("\n" + image + "\r", 8));
  for (const std::string& other : {image + "\r\n", image + "\n", image + "\rX", image, image + "0\r"})
    EXPECT_FALSE(lineFeedMayFollow(other, 8)) << other;
}

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
