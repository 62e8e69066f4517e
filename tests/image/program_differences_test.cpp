// What verifying a board says, one row per kind of field: the board holds
// the example program changed in one place, the editor the example itself.
#include "image/program_differences.h"

#include <gtest/gtest.h>

#include <functional>

#include "image/program.h"
#include "support/programs.h"
#include "support/row_names.h"

namespace velkor {
namespace {

struct DifferenceRow {
  const char* what;
  std::function<void(Program&)> change;  // made to the board's program
  std::vector<std::string> lines;
  std::function<void(ProgramImages&)> bytes = {};  // then to its images
};

class ProgramDifferences : public testing::TestWithParam<DifferenceRow> {};

TEST_P(ProgramDifferences, NameTheOutputTheFieldAndBothValues) {
  Program editor, board;
  for (Program* p : {&editor, &board}) {
    p->initialiserPages();
    testing_support::makeExample(*p);
  }
  GetParam().change(board);
  editor.construireImages();
  board.construireImages();
  if (GetParam().bytes) GetParam().bytes(board.images);
  std::vector<std::string> lines;
  for (const FieldDifference& d : programDifferences(board.images, editor.images)) lines.push_back(d.line());
  EXPECT_EQ(lines, GetParam().lines);
}

ProgramDocument& doc(Program& p) { return p.document; }

INSTANTIATE_TEST_SUITE_P(
    Rows, ProgramDifferences,
    testing::Values(
        DifferenceRow{"same program", [](Program&) {}, {}},
        DifferenceRow{"threshold value",
                      [](Program& p) { doc(p).setNumberText(FieldId::threshold(1, 2), "375"); },
                      {"SL1 : seuil EA2 — carte > 375 mV, éditeur > 250 mV"}},
        DifferenceRow{"comparator",
                      [](Program& p) { doc(p).supinf01_01Click(FieldId::comparator(1, 2)); },
                      {"SL1 : seuil EA2 — carte < 250 mV, éditeur > 250 mV"}},
        DifferenceRow{"link", [](Program& p) { doc(p).page(1).link(1).caption = "OU"; },
                      {"SL1 : conditions — carte EL1=1 OU EA2, éditeur EL1=1 ET EA2"}},
        DifferenceRow{"condition and the threshold it brings",
                      [](Program& p) {
                        doc(p).choix01_01Select(FieldId::slot(4, 1), "EA3");
                        doc(p).setNumberText(FieldId::threshold(4, 3), "1200");
                      },
                      {"SL4 : conditions — carte EA3, éditeur EL4=1",
                       "SL4 : seuil EA3 — carte > 1200 mV, éditeur non utilisé"}},
        DifferenceRow{"pause", [](Program& p) { doc(p).setNumberText(FieldId::pause(1), "20"); },
                      {"SL1 : pause — carte 20 mS, éditeur 1000 mS"}},
        DifferenceRow{"voltage and hold, on two outputs",
                      [](Program& p) {
                        doc(p).setNumberText(FieldId::voltage(8), "2500");
                        doc(p).zero1Click(FieldId::hold(9));
                      },
                      {"SA1 : tension — carte 2500 mV, éditeur 0 mV",
                       "SA2 : maintien — carte maintenue, éditeur non maintenue"}},
        DifferenceRow{"threshold of an input the chain does not name", [](Program&) {},
                      {"SL1 : champs non utilisés différents, sans effet sur la sortie"},
                      [](ProgramImages& images) { images[1].replace(thresholdPosition(4) - 1, 4, "4000"); }}),
    testing_support::RowIndexName());

// With names, each line names its output, and an output without a name
// reads as it does without names.
TEST(ProgramDifferencesNamed, NameTheOutputAfterItsId) {
  Program editor, board;
  for (Program* p : {&editor, &board}) {
    p->initialiserPages();
    testing_support::makeExample(*p);
  }
  board.document.setNumberText(FieldId::threshold(1, 2), "375");
  board.document.setNumberText(FieldId::voltage(8), "2500");
  editor.construireImages();
  board.construireImages();
  board.images[2].replace(thresholdPosition(4) - 1, 4, "4000");
  ProgramNames names;
  names.notes[std::size_t(outputSignal(1))].name = "Pompe";
  names.notes[std::size_t(outputSignal(2))].name = "Ventilateur\n nord";
  names.notes[std::size_t(outputSignal(8))].comment = "vanne, sans nom";
  std::vector<std::string> lines;
  for (const FieldDifference& d : programDifferences(board.images, editor.images))
    lines.push_back(d.line("carte", "éditeur", &names));
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "SL1 (Pompe) : seuil EA2 — carte > 375 mV, éditeur > 250 mV",
                       "SL2 (Ventilateur nord) : champs non utilisés différents, sans effet sur la sortie",
                       "SA1 : tension — carte 2500 mV, éditeur 0 mV",
                   }));
}

}  // namespace
}  // namespace velkor
