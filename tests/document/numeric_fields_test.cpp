#include <gtest/gtest.h>

#include "support/row_names.h"

#include "document/program_document.h"

namespace velkor {
namespace {

const FieldId kThreshold = FieldId::threshold(2, 3);
const FieldId kComparator = FieldId::comparator(2, 3);
const FieldId kVoltage = FieldId::voltage(9);
const FieldId kPause = FieldId::pause(5);

struct LeaveRow {
  FieldId field;
  const char* typed;
  const char* shown;
};

class LeaveField : public testing::TestWithParam<LeaveRow> {};

TEST_P(LeaveField, NormalisesAndCapsWithoutTouchingTheFlag) {
  const LeaveRow& row = GetParam();
  ProgramDocument doc;
  ASSERT_TRUE(doc.setNumberText(row.field, row.typed));
  doc.ProgramModified = false;
  Reaction r = doc.leaveField(row.field);
  EXPECT_EQ(doc.numberText(row.field), row.shown);
  EXPECT_FALSE(r.beep);
  EXPECT_FALSE(doc.ProgramModified);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LeaveField,
    testing::Values(LeaveRow{kThreshold, "", "0"}, LeaveRow{kThreshold, "0070", "70"},
                    LeaveRow{kThreshold, "5000", "4990"}, LeaveRow{kThreshold, "4990", "4990"},
                    LeaveRow{kThreshold, "4991", "4990"}, LeaveRow{kThreshold, "000", "0"},
                    LeaveRow{kVoltage, "5101", "5100"}, LeaveRow{kVoltage, "5100", "5100"},
                    LeaveRow{kVoltage, "", "0"}, LeaveRow{kPause, "70000", "65000"},
                    LeaveRow{kPause, "65000", "65000"}, LeaveRow{kPause, "00000", "0"},
                    LeaveRow{kPause, "65001", "65000"}, LeaveRow{kPause, "007", "7"}),
                         testing_support::RowIndexName());

TEST(NumericFields, ThresholdBackToZeroTurnsBelowIntoAbove) {
  ProgramDocument doc;
  doc.page(2).threshold(3).enabled = true;
  ASSERT_TRUE(doc.setNumberText(kThreshold, "25"));
  doc.supinf01_01Click(kComparator);
  ASSERT_EQ(doc.page(2).threshold(3).comparator, "<");
  ASSERT_TRUE(doc.setNumberText(kThreshold, "0"));
  doc.edit01_01Exit(kThreshold);
  EXPECT_EQ(doc.page(2).threshold(3).comparator, ">");
}

struct ComparatorRow {
  const char* value;
  const char* before;
  const char* after;
  bool focusMoves;
};

class ComparatorClick : public testing::TestWithParam<ComparatorRow> {};

TEST_P(ComparatorClick, TogglesButNeverBesideZero) {
  const ComparatorRow& row = GetParam();
  ProgramDocument doc;
  Threshold& t = doc.page(2).threshold(3);
  t.enabled = true;
  t.value = row.value;
  t.comparator = row.before;
  Reaction r = doc.supinf01_01Click(kComparator);
  EXPECT_EQ(t.comparator, row.after);
  EXPECT_EQ(r.focus.has_value(), row.focusMoves);
  if (row.focusMoves) {
    EXPECT_EQ(*r.focus, kThreshold);
  }
  EXPECT_EQ(r.beep, !row.focusMoves);  // an unreadable value beeps and keeps the focus
  EXPECT_TRUE(doc.ProgramModified);
}

INSTANTIATE_TEST_SUITE_P(Rows, ComparatorClick,
                         testing::Values(ComparatorRow{"0", ">", ">", true}, ComparatorRow{"25", ">", "<", true},
                                         ComparatorRow{"25", "<", ">", true}, ComparatorRow{"0", "<", ">", true},
                                         ComparatorRow{"", ">", ">", false}, ComparatorRow{"", "<", ">", false}),
                         testing_support::RowIndexName());

TEST(NumericFields, DisabledComparatorIgnoresClicks) {
  ProgramDocument doc;
  doc.page(2).threshold(3).value = "25";
  Reaction r = doc.supinf01_01Click(kComparator);
  EXPECT_EQ(doc.page(2).threshold(3).comparator, ">");
  EXPECT_FALSE(r.focus.has_value());
  EXPECT_FALSE(doc.ProgramModified);
}

struct KeyRow {
  FieldId field;
  const char* text;
  char key;
  bool replacesSelection;
  bool accepted;
  bool modifies;
};

class KeyFilter : public testing::TestWithParam<KeyRow> {};

TEST_P(KeyFilter, OnlyDigitsAndBackspacePass) {
  const KeyRow& row = GetParam();
  ProgramDocument doc;
  ASSERT_TRUE(doc.setNumberText(row.field, row.text));
  doc.ProgramModified = false;
  const bool accepted = row.field.family == FieldFamily::Pause
                            ? doc.pause1KeyPress(row.field, row.key, row.replacesSelection)
                            : doc.edit01_01KeyPress(row.field, row.key, row.replacesSelection);
  EXPECT_EQ(accepted, row.accepted);
  EXPECT_EQ(doc.ProgramModified, row.modifies);
  EXPECT_EQ(doc.numberText(row.field), row.text);  // the key filter never edits the text itself
}

INSTANTIATE_TEST_SUITE_P(
    Rows, KeyFilter,
    testing::Values(KeyRow{kThreshold, "12", '5', false, true, true}, KeyRow{kThreshold, "12", 'a', false, false, false},
                    KeyRow{kThreshold, "12", ' ', false, false, false}, KeyRow{kThreshold, "12", '-', false, false, false},
                    KeyRow{kThreshold, "12", '\b', false, true, true}, KeyRow{kThreshold, "", '\b', false, true, true},
                    KeyRow{kThreshold, "1234", '5', false, true, false}, KeyRow{kThreshold, "1234", '5', true, true, true},
                    KeyRow{kThreshold, "1234", '\b', false, true, true}, KeyRow{kVoltage, "51", '0', false, true, true},
                    KeyRow{kVoltage, "5100", '0', false, true, false}, KeyRow{kPause, "650", '0', false, true, true},
                    KeyRow{kPause, "65000", '1', false, true, false}, KeyRow{kPause, "6", 'x', false, false, false}),
                         testing_support::RowIndexName());

TEST(NumericFields, PastedTextMustBeDigitsWithinTheFieldLength) {
  ProgramDocument doc;
  for (const char* bad : {"12a", " 12", "-1", "+5", "1.5", "12345"}) {
    EXPECT_FALSE(doc.setNumberText(kThreshold, bad)) << bad;
    EXPECT_EQ(doc.numberText(kThreshold), "0");
  }
  EXPECT_FALSE(doc.setNumberText(kPause, "123456"));
  EXPECT_FALSE(doc.ProgramModified);
  EXPECT_TRUE(doc.setNumberText(kPause, "12345"));
  EXPECT_TRUE(doc.ProgramModified);
  EXPECT_TRUE(doc.setNumberText(kVoltage, ""));
  EXPECT_FALSE(doc.setNumberText(FieldId::slot(1, 1), "1"));
}

TEST(NumericFields, HoldClickTogglesAndSetsTheFlag) {
  ProgramDocument doc;
  doc.zero1Click(FieldId::hold(10));
  EXPECT_TRUE(doc.page(10).hold);
  EXPECT_TRUE(doc.ProgramModified);
  EXPECT_TRUE(*doc.findHold("zero3"));
  doc.zero1Click(FieldId::hold(10));
  EXPECT_FALSE(doc.page(10).hold);
}

TEST(NumericFields, FieldsAnswerToTheirNames) {
  ProgramDocument doc;
  ASSERT_TRUE(doc.setNumberText(FieldId::voltage(11), "42"));
  ASSERT_TRUE(doc.setNumberText(FieldId::pause(8), "7"));
  EXPECT_EQ(*doc.findNumber("tension4"), "42");
  EXPECT_EQ(*doc.findNumber("pause8"), "7");
  EXPECT_EQ(doc.findThreshold("supinf07_04"), doc.findThreshold("edit07_04"));
  EXPECT_EQ(doc.findSlot("choix03_07"), &doc.page(3).slot(7));
  EXPECT_EQ(doc.findLink("ou08_06"), &doc.page(8).link(6));
  EXPECT_EQ(doc.findNumber("choix01_01"), nullptr);
  EXPECT_EQ(doc.findSlot("supinf08_01"), nullptr);
}

}  // namespace
}  // namespace velkor
