#include <gtest/gtest.h>

#include "document/text_rules.h"
#include "image/program.h"
#include "image/program_file.h"
#include "support/programs.h"

namespace velkor {
namespace {

// What a page means to the board: the chain, the thresholds in use and the
// numbers as values (a field not yet left may still read "0070").
std::string meaning(const ProgramDocument& doc, int page) {
  const OutputPage& pg = doc.page(page);
  auto value = [](const std::string& text) { return std::to_string(readWholeNumber(text).value_or(0)); };
  std::string s;
  for (int m = 1; m <= slotCount(page) && !pg.slot(m).text.empty(); ++m) {
    s += pg.slot(m).text;
    if (m > linkCount(page) || pg.link(m).caption == "-") break;
    s += " " + pg.link(m).caption + " ";
  }
  if (isLogicPage(page)) {
    for (int k = 1; k <= 4; ++k)
      if (pg.threshold(k).enabled) s += " EA" + std::to_string(k) + pg.threshold(k).comparator + value(pg.threshold(k).value);
  } else {
    s += " V" + value(pg.voltage) + (pg.hold ? " hold" : "");
  }
  return s + " P" + value(pg.pause);
}

// Saving and reopening any program the editor can make gives back the same
// images, byte for byte, and pages that mean the same.
TEST(RoundTrip, RandomlyEditedProgramsSurviveTheFileFormat) {
  std::mt19937 rng(436);
  for (int run = 0; run < 300; ++run) {
    Program edited;
    testing_support::randomEdits(edited, rng, 5 + run % 60);
    edited.construireImages();
    const ProgramImages first = edited.images;

    const ReadResult read = parseProgramFile(serializeProgramFile(first));
    ASSERT_EQ(read.status, FileStatus::Ok) << "run " << run;
    ASSERT_EQ(read.images, first) << "run " << run;

    Program reopened;
    reopened.initialiserPages();
    reopened.images = read.images;
    reopened.chargerImages();
    reopened.construireImages();
    ASSERT_EQ(reopened.images, first) << "run " << run;
    for (int p = 1; p <= kPageCount; ++p)
      EXPECT_EQ(meaning(reopened.document, p), meaning(edited.document, p)) << "run " << run << " page " << p;
  }
}

}  // namespace
}  // namespace velkor
