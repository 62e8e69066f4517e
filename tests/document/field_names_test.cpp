#include <gtest/gtest.h>

#include "support/row_names.h"

#include "document/field_names.h"

namespace velkor {
namespace {

struct NameRow {
  const char* name;
  FieldId id;
};

class FieldNameTest : public testing::TestWithParam<NameRow> {};

TEST_P(FieldNameTest, NameAndIdCorrespond) {
  const NameRow& row = GetParam();
  EXPECT_EQ(fieldName(row.id), row.name);
  auto parsed = parseFieldName(row.name);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(*parsed, row.id);
}

INSTANTIATE_TEST_SUITE_P(Names, FieldNameTest,
                         testing::Values(NameRow{"choix03_07", FieldId::slot(3, 7)},
                                         NameRow{"choix07_11", FieldId::slot(7, 11)},
                                         NameRow{"choix08_07", FieldId::slot(8, 7)},
                                         NameRow{"ou08_06", FieldId::link(8, 6)},
                                         NameRow{"ou01_10", FieldId::link(1, 10)},
                                         NameRow{"supinf07_04", FieldId::comparator(7, 4)},
                                         NameRow{"edit07_04", FieldId::threshold(7, 4)},
                                         NameRow{"pause8", FieldId::pause(8)},
                                         NameRow{"pause11", FieldId::pause(11)},
                                         NameRow{"tension1", FieldId::voltage(8)},
                                         NameRow{"zero4", FieldId::hold(11)},
                                         NameRow{"simu11", FieldId::simulate(11)}),
                         testing_support::RowIndexName());

TEST(FieldNames, RefusesNamesOutsideTheDocument) {
  for (const char* name : {"choix01_12", "choix08_08", "ou01_11", "ou08_07", "supinf08_01", "edit01_05",
                           "edit01_00", "pause0", "pause12", "pause08", "tension0", "tension5", "zero5",
                           "choix1_01", "choix01-01", "choix01_1", "simu", "", "foo01_01", "choix+1_01"}) {
    EXPECT_FALSE(parseFieldName(name).has_value()) << name;
  }
}

TEST(FieldNames, EveryValidFieldRoundTrips) {
  int count = 0;
  for (int family = 0; family <= static_cast<int>(FieldFamily::Simulate); ++family)
    for (int page = 0; page <= 12; ++page)
      for (int pos = 0; pos <= 12; ++pos) {
        FieldId id{static_cast<FieldFamily>(family), page, pos};
        if (!isValidField(id)) continue;
        ++count;
        EXPECT_EQ(parseFieldName(fieldName(id)), id) << fieldName(id);
      }
  // 7x11 + 4x7 slots, 7x10 + 4x6 links, 28 comparators, 28 values,
  // 11 pauses, 4 voltages, 4 holds, 11 buttons.
  EXPECT_EQ(count, 105 + 94 + 28 + 28 + 11 + 4 + 4 + 11);
}

}  // namespace
}  // namespace velkor
