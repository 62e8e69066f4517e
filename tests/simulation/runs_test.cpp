#include <gtest/gtest.h>

#include <vector>

#include "image/program.h"
#include "images.h"
#include "simulation/runs.h"
#include "support/programs.h"

namespace velkor {
namespace {

using simulation_test::analogImage;
using simulation_test::logicImage;

// Enabled inputs written as "EL..: 1 3  EA..: 2=250" to compare whole setups at once.
std::string describe(const RunStart& start) {
  std::string s = "EL:";
  for (int k = 1; k <= 7; ++k)
    if (start.logicEnabled[k - 1]) s += " " + std::to_string(k);
  s += " EA:";
  for (int k = 1; k <= 4; ++k) {
    if (start.analogEnabled[k - 1]) s += " " + std::to_string(k) + "=" + start.analogText[k - 1];
    else if (start.analogText[k - 1] != "0") s += " unused " + std::to_string(k) + " shows " + start.analogText[k - 1];
  }
  return s;
}

struct StartRow {
  const char* what;
  std::string image;
  std::string setup;
};

void PrintTo(const StartRow& row, std::ostream* os) { *os << row.what; }

class LogicStart : public testing::TestWithParam<StartRow> {};

TEST_P(LogicStart, EnablesWhatTheChainUsesUpToItsFirstEmptySlot) {
  LogicSimulation sim;
  EXPECT_EQ(describe(sim.start(GetParam().image)), GetParam().setup);
}

INSTANTIATE_TEST_SUITE_P(Rows, LogicStart, testing::Values(
    StartRow{"empty chain", logicImage("?O\x01"), "EL: EA:"},
    StartRow{"logic inputs", logicImage("\x03O\x07" "E\x03"), "EL: 3 7 EA:"},
    StartRow{"thresholds lose their zeros", logicImage("\x08O\x09O\x0aO\x0b", "U0000D0150U4990U1000"),
             "EL: EA: 1=0 2=150 3=4990 4=1000"},
    StartRow{"scan stops at the first empty slot", logicImage("\x02" "E\x09O?O\x0b", "U0000U0250U0000U3000"),
             "EL: 2 EA: 2=250"},
    StartRow{"unknown codes are passed over", logicImage(std::string("\x00O\x0cO\x05", 5)), "EL: 5 EA:"},
    StartRow{"non-digit threshold counts as 0", logicImage("\x08", "U12x4U0000U0000U0000"), "EL: EA: 1=0"},
    StartRow{"image cut in the threshold", std::string("\x08R?R?R?R?R?R?R?R?R?R?U02", 24), "EL: EA: 1=2"},
    StartRow{"empty image", "", "EL: EA:"}));

TEST(LogicStart, ThresholdsOfUnusedInputsCarryOverFromEarlierRuns) {
  LogicSimulation sim;
  sim.start(logicImage("\x08", "U2000U0000U0000U0000"));
  // EA1 now stands behind an empty slot whose link is not "R": the start
  // leaves it alone, but the pass still reaches it.
  sim.start(logicImage("\x01" "E?O\x08", "D0100U0000U0000U0000"));
  EXPECT_EQ(sim.threshold(1), 2000);
  InputState in;
  in.analogText[0] = "1999";
  EXPECT_TRUE(sim.evaluate(in));
  in.analogText[0] = "2000";
  EXPECT_FALSE(sim.evaluate(in));
}

TEST(LogicStart, AgreesWithTheImagesTheEditorBuilds) {
  Program program;
  testing_support::makeExample(program);  // SL1 = EL1 ET EA2, EA2 above 250
  program.construireImages();
  LogicSimulation sim;
  const RunStart start = sim.start(program.images[1]);
  EXPECT_EQ(describe(start), "EL: 1 EA: 2=250");
  InputState in = start.inputs();
  in.logic[0] = true;
  EXPECT_FALSE(sim.evaluate(in));
  in.analogText[1] = "251";
  EXPECT_TRUE(sim.evaluate(in));
  in.logic[0] = false;
  EXPECT_FALSE(sim.evaluate(in));
}

// One step of an analog run: the logic inputs ticked, then the display.
struct Step {
  std::vector<int> ticked;
  std::string display;
};

struct HoldRow {
  const char* what;
  std::string image;
  std::vector<Step> steps;
};

void PrintTo(const HoldRow& row, std::ostream* os) { *os << row.what; }

class AnalogPasses : public testing::TestWithParam<HoldRow> {};

TEST_P(AnalogPasses, ShowTheVoltageWithTheHoldRule) {
  AnalogSimulation sim;
  sim.start(GetParam().image);
  EXPECT_EQ(sim.display(), "0      ");
  int n = 0;
  for (const Step& step : GetParam().steps) {
    InputState in;
    for (int k : step.ticked) in.logic[k - 1] = true;
    EXPECT_EQ(sim.pass(in), step.display) << "step " << ++n;
  }
}

const std::string off = "0      ";
const std::string v2500 = "2500   ";

INSTANTIATE_TEST_SUITE_P(Rows, AnalogPasses, testing::Values(
    HoldRow{"F follows the chain", analogImage("\x01", "2500", 'F'),
            {{{}, off}, {{1}, v2500}, {{}, off}, {{1}, v2500}}},
    HoldRow{"V holds once true", analogImage("\x01", "2500", 'V'),
            {{{}, off}, {{2}, off}, {{1}, v2500}, {{}, v2500}, {{2}, v2500}}},
    HoldRow{"V never true", analogImage("\x01", "2500", 'V'), {{{}, off}, {{2, 3}, off}}},
    HoldRow{"any other hold flag holds", analogImage("\x01", "2500", 'X'), {{{1}, v2500}, {{}, v2500}}},
    HoldRow{"voltage 0000", analogImage("\x01", "0000", 'F'), {{{1}, off}, {{}, off}}},
    HoldRow{"voltage 0250", analogImage("\x01", "0250", 'F'), {{{1}, "250    "}}},
    HoldRow{"voltage 5000", analogImage("\x01", "5000", 'V'), {{{1}, "5000   "}}},
    HoldRow{"empty chain F", analogImage("?", "2500", 'F'), {{{1, 2, 3, 4, 5, 6, 7}, off}}},
    HoldRow{"empty chain V", analogImage("?", "2500", 'V'), {{{1, 2, 3, 4, 5, 6, 7}, off}}},
    HoldRow{"or-and", analogImage("\x01O\x02" "E\x03", "2500", 'F'), {{{1}, off}, {{1, 3}, v2500}}},
    HoldRow{"analog codes are false here", analogImage("\x08O\x01", "2500", 'F'), {{{}, off}, {{1}, v2500}}},
    HoldRow{"image without hold flag holds", std::string("\x01R?R?R?R?R?R?2500", 17), {{{1}, v2500}, {{}, v2500}}},
    HoldRow{"image without voltage", std::string("\x01R?", 3), {{{1}, "       "}}}));

TEST(AnalogStart, ResetsTheHeldVoltageAndEnablesTheChainsInputs) {
  AnalogSimulation sim;
  sim.start(analogImage("\x01", "2500", 'V'));
  InputState in;
  in.logic[0] = true;
  ASSERT_EQ(sim.pass(in), v2500);
  const RunStart start = sim.start(analogImage("\x04O\x06" "E\x08O?O\x02", "1200", 'V'));
  EXPECT_EQ(sim.display(), off);
  EXPECT_EQ(describe(start), "EL: 4 6 EA:");
  EXPECT_EQ(sim.pass(start.inputs()), off);
}

}  // namespace
}  // namespace velkor
