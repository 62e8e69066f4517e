#include <gtest/gtest.h>

#include <initializer_list>

#include "images.h"
#include "simulation/runs.h"

namespace velkor {
namespace {

using simulation_test::logicImage;

InputState inputs(std::initializer_list<int> ticked, std::array<std::string, 4> analog = {"0", "0", "0", "0"}) {
  InputState state;
  for (int k : ticked) state.logic[static_cast<std::size_t>(k - 1)] = true;
  state.analogText = analog;
  return state;
}

struct EvalRow {
  const char* what;
  std::string image;
  InputState inputs;
  bool active;
};

void PrintTo(const EvalRow& row, std::ostream* os) { *os << row.what; }

class LogicEvaluation : public testing::TestWithParam<EvalRow> {};

TEST_P(LogicEvaluation, FoldsTheChain) {
  const EvalRow& row = GetParam();
  LogicSimulation sim;
  sim.start(row.image);
  EXPECT_EQ(sim.evaluate(row.inputs), row.active);
}

const std::string ea1Above2000 = "U2000U0000U0000U0000";
const std::string ea1Below2000 = "D2000U0000U0000U0000";

INSTANTIATE_TEST_SUITE_P(Rows, LogicEvaluation, testing::Values(
    // OU then ET is (EL1 or EL2) and EL3; ET then OU is (EL1 and EL2) or EL3.
    EvalRow{"or-and, EL1 only", logicImage("\x01O\x02" "E\x03"), inputs({1}), false},
    EvalRow{"or-and, EL1 EL3", logicImage("\x01O\x02" "E\x03"), inputs({1, 3}), true},
    EvalRow{"and-or, EL3 only", logicImage("\x01" "E\x02O\x03"), inputs({3}), true},
    EvalRow{"and-or, EL1 EL2", logicImage("\x01" "E\x02O\x03"), inputs({1, 2}), true},
    EvalRow{"eleven slots all used", logicImage("\x01O\x02O\x03O\x04O\x05O\x06O\x07O\x01O\x02O\x03" "E\x07"),
            inputs({1, 7}), true},
    // Empty and unknown conditions.
    EvalRow{"empty chain", logicImage("?"), inputs({1, 2, 3, 4, 5, 6, 7}), false},
    EvalRow{"empty first, OU EL1", logicImage("?O\x01"), inputs({1}), true},
    EvalRow{"code 0 is false", logicImage(std::string("\x01" "E\x00", 3)), inputs({1}), false},
    EvalRow{"code 12 is false", logicImage(std::string("\x0c")), inputs({1}), false},
    EvalRow{"digit '1' is not EL1", logicImage("1"), inputs({1}), false},
    // The chain ends at the first "R"; conditions behind it count for nothing.
    EvalRow{"behind R ignored", logicImage("\x01R?O\x02"), inputs({2}), false},
    EvalRow{"behind R cannot falsify", logicImage("\x01R\x02" "E\x03"), inputs({1}), true},
    EvalRow{"unknown link keeps result", logicImage("\x01X\x02"), inputs({2}), false},
    // Strict comparisons; the value is the text as typed.
    EvalRow{"above: equal", logicImage("\x08", ea1Above2000), inputs({}, {"2000", "0", "0", "0"}), false},
    EvalRow{"above: 2001", logicImage("\x08", ea1Above2000), inputs({}, {"2001", "0", "0", "0"}), true},
    EvalRow{"below: equal", logicImage("\x08", ea1Below2000), inputs({}, {"2000", "0", "0", "0"}), false},
    EvalRow{"below: 1999", logicImage("\x08", ea1Below2000), inputs({}, {"1999", "0", "0", "0"}), true},
    EvalRow{"any other comparator is below", logicImage("\x08", "X2000U0000U0000U0000"),
            inputs({}, {"1999", "0", "0", "0"}), true},
    EvalRow{"threshold 0000 above: 1", logicImage("\x08"), inputs({}, {"1", "0", "0", "0"}), true},
    EvalRow{"invalid text counts as 0", logicImage("\x08", "D0001U0000U0000U0000"),
            inputs({}, {"-", "0", "0", "0"}), true},
    EvalRow{"negative text", logicImage("\x08", "D0000U0000U0000U0000"), inputs({}, {"-5", "0", "0", "0"}), true},
    // The threshold block is indexed by the input, not by the slot.
    EvalRow{"EA3 in slot 2", logicImage("\x01O\x0a", "U0000U0000D0300U4000"), inputs({}, {"0", "0", "299", "0"}), true},
    EvalRow{"EA4 uses its own threshold", logicImage("\x0b", "U0000U0000U0000U4000"),
            inputs({}, {"4500", "0", "0", "4000"}), false},
    EvalRow{"mixed EL and EA", logicImage("\x01" "E\x09", "U0000U0250U0000U0000"),
            inputs({1}, {"0", "251", "0", "0"}), true},
    // Short, empty and overlong images are read only as far as they go.
    EvalRow{"empty image", "", inputs({1}), false},
    EvalRow{"image cut after a link", "\x01O", inputs({1}), true},
    EvalRow{"EA without threshold block", "\x08", inputs({}, {"-1", "0", "0", "0"}), true},
    EvalRow{"overlong image", logicImage("\x01") + std::string(500, '\x01'), inputs({1}), true}));

struct ValueRow {
  const char* text;
  std::int32_t value;
};

TEST(AnalogInputValue, ReadsTheTextOrZero) {
  for (const ValueRow& row : {ValueRow{"2000", 2000}, {"007", 7}, {"-5", -5}, {"+7", 7}, {"6000", 6000},
                              {"", 0}, {"-", 0}, {"1.5", 0}, {"+-5", 0}, {"5 ", 0}, {"2147483648", 0},
                              {"-2147483648", INT32_MIN}})
    EXPECT_EQ(analogInputValue(row.text), row.value) << '"' << row.text << '"';
}

}  // namespace
}  // namespace velkor
