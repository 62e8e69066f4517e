#include <gtest/gtest.h>

#include "image/decoding.h"
#include "image/encoding.h"
#include "image/program.h"
#include "support/programs.h"

namespace velkor {
namespace {

using testing_support::pageContents;

std::string logicImage(std::string chain, std::string thresholds = "U0000U0000U0000U0000",
                       std::string pause = "00000") {
  while (chain.size() < 21) chain += chain.size() % 2 ? "R" : "?";
  return chain + thresholds + pause;
}

TEST(Decoding, ResetRestoresTheEmptyProgramButKeepsFirstConditions) {
  Program program;
  std::mt19937 rng(7);
  testing_support::randomEdits(program, rng, 400);
  program.document.choix01_01Select(FieldId::slot(4, 1), program.document.page(4).slot(1).choices.back());
  const std::string firstOfSl4 = program.document.page(4).slot(1).text;
  Reaction r = program.initialiserPages();

  Program fresh;
  for (int p = 1; p <= kPageCount; ++p) fresh.document.page(p).slot(1).text = program.document.page(p).slot(1).text;
  fresh.initialiserPages();
  for (int p = 1; p <= kPageCount; ++p)
    EXPECT_EQ(pageContents(program.document, p), pageContents(fresh.document, p)) << p;
  EXPECT_EQ(program.document.page(4).slot(1).text, firstOfSl4);
  EXPECT_FALSE(program.document.ProgramModified);
  EXPECT_EQ(program.document.activePage, 1);
  EXPECT_EQ(r.focus, FieldId::slot(1, 1));
  EXPECT_TRUE(r.selectAll);
}

TEST(Decoding, ChainWithAnalogInput) {
  ProgramDocument doc;
  resetPages(doc);
  decodeImage(doc, 2, logicImage(std::string("\x0A" "O" "\x02" "R?"), "U0000U0000D0250U0000", "01000"));
  const OutputPage& pg = doc.page(2);
  EXPECT_EQ(pg.slot(1).text, "EA3");
  EXPECT_EQ(pg.link(1).caption, "OU");
  EXPECT_TRUE(pg.link(1).enabled);
  EXPECT_EQ(pg.slot(2).text, "EL2=1");
  EXPECT_TRUE(pg.slot(2).enabled);
  EXPECT_EQ(pg.link(2).caption, "-");
  EXPECT_FALSE(pg.slot(3).enabled);
  EXPECT_TRUE(pg.threshold(3).enabled);
  EXPECT_TRUE(pg.threshold(3).highlighted());
  EXPECT_EQ(pg.threshold(3).value, "250");
  EXPECT_EQ(pg.threshold(3).comparator, "<");
  EXPECT_FALSE(pg.threshold(1).enabled);
  EXPECT_EQ(pg.pause, "1000");
}

TEST(Decoding, NumbersLoseTheirLeadingZeros) {
  ProgramDocument doc;
  decodeImage(doc, 1, logicImage("\x08", "U0000U0000U0000U0000", "00000"));
  EXPECT_EQ(doc.page(1).threshold(1).value, "0");
  EXPECT_EQ(doc.page(1).pause, "0");
  decodeImage(doc, 9, std::string("\x01") + "R?R?R?R?R?R?" + "5100" + "00070" + "V");
  EXPECT_EQ(doc.page(9).voltage, "5100");
  EXPECT_EQ(doc.page(9).pause, "70");
  EXPECT_TRUE(doc.page(9).hold);
  decodeImage(doc, 9, std::string("\x01") + "R?R?R?R?R?R?" + "0000" + "00000" + "F");
  EXPECT_FALSE(doc.page(9).hold);
}

TEST(Decoding, EmptyFirstCodeStillSetsPause) {
  ProgramDocument doc;
  resetPages(doc);
  decodeImage(doc, 3, logicImage("?", "U0000U0000U0000U0000", "00042"));
  EXPECT_EQ(doc.page(3).slot(1).text, "");
  EXPECT_TRUE(doc.page(3).slot(1).enabled);
  EXPECT_EQ(doc.page(3).pause, "42");
}

TEST(Decoding, UnusedThresholdComesBackDisabledAfterSaveAndReopen) {
  Program program;
  testing_support::makeExample(program);
  program.document.page(1).threshold(4).enabled = true;  // in use nowhere
  program.document.page(1).threshold(4).value = "300";
  program.construireImages();
  const ProgramImages saved = program.images;
  program.initialiserPages();
  program.images = saved;
  program.chargerImages();
  EXPECT_FALSE(program.document.page(1).threshold(4).enabled);
  EXPECT_EQ(program.document.page(1).threshold(4).value, "0");
  EXPECT_EQ(program.document.page(1).threshold(2).value, "250");
}

// Images a damaged file or a faulty board could hold: decoding never reads
// past the end, never fails, and the chain stops at the first unreadable byte.
struct DamagedRow {
  const char* what;
  int page;
  std::string image;
  const char* contents;  // pageContents() after reset + decode
};

class DecodeDamaged : public testing::TestWithParam<DamagedRow> {};

TEST_P(DecodeDamaged, StopsTheChainThere) {
  const DamagedRow& row = GetParam();
  ProgramDocument doc;
  resetPages(doc);
  decodeImage(doc, row.page, row.image);
  EXPECT_EQ(pageContents(doc, row.page), row.contents) << row.what;
  // Whatever was decoded encodes back to a well-formed image.
  EXPECT_EQ(buildImage(doc, row.page).size(), imageLength(row.page));
}


INSTANTIATE_TEST_SUITE_P(
    Rows, DecodeDamaged,
    testing::Values(
        DamagedRow{"empty image", 1, "", "[+]-+[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-] >0- >0- >0- >0- P0"},
        DamagedRow{"ends after a link", 1, "\x01O",
                   "[EL1=1+]-+[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-] >0- >0- >0- >0- P0"},
        DamagedRow{"link announces an empty slot", 1, logicImage("\x01O?"),
                   "[EL1=1+]-+[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-] >0- >0- >0- >0- P0"},
        DamagedRow{"bad link byte", 1, logicImage("\x01X\x02"),
                   "[EL1=1+]-+[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-] >0- >0- >0- >0- P0"},
        DamagedRow{"code 0", 1, logicImage(std::string("\x01O\x00", 3)),
                   "[EL1=1+]-+[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-] >0- >0- >0- >0- P0"},
        DamagedRow{"code 12", 1, logicImage("\x0C"), "[+]-+[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-] >0- >0- >0- >0- P0"},
        DamagedRow{"analog input on an analog page", 8, std::string("\x08") + "R?R?R?R?R?R?0000" "00000F",
                   "[+]-+[-]--[-]--[-]--[-]--[-]--[-] V0 free P0"},
        DamagedRow{"threshold digits cut off", 1, std::string("\x09") + "R?R?R?R?R?R?R?R?R?R?" + "U0000U02",
                   "[EA2+]-+[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-] >0- >0+ >0- >0- P0"},
        DamagedRow{"non-digit numbers", 1, logicImage("\x09", "U0000Dab12U0000U0000", "1x000"),
                   "[EA2+]-+[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-] >0- <0+ >0- >0- P0"},
        DamagedRow{"unknown comparator byte", 1, logicImage("\x09", "U0000Z0250U0000U0000", "00001"),
                   "[EA2+]-+[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-] >0- >250+ >0- >0- P1"},
        DamagedRow{"analog image cut before the hold flag", 10, std::string("\x03") + "R?R?R?R?R?R?" + "0042" + "001",
                   "[EL3=1+]-+[-]--[-]--[-]--[-]--[-]--[-] V42 free P0"},
        DamagedRow{"overlong image", 9, std::string("\x02") + "R?R?R?R?R?R?" + "0100" + "00200" + "V\r\n",
                   "[EL2=1+]-+[-]--[-]--[-]--[-]--[-]--[-] V100 hold P200"},
        DamagedRow{"chain of two", 1, logicImage("\x01" "E\x02R?"),
                   "[EL1=1+]ET+[EL2=1+]-+[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-]--[-] >0- >0- >0- >0- P0"}),
    [](const testing::TestParamInfo<DamagedRow>& row) { return "row" + std::to_string(row.index); });

}  // namespace
}  // namespace velkor
