// The read path's decoding of what the tty delivers: marks of bytes in error
// (PARMRK), the error character, NUL bytes dropped.
#include <gtest/gtest.h>

#include <string>

#include "comport/posix/rx_filter.h"
#include "support/row_names.h"

namespace velkor::posix {
namespace {

struct FilterRow {
  const char* what;
  RxFilterSettings settings;
  std::string first, second;  // raw bytes, read in two pieces
  std::string expected;
};
void PrintTo(const FilterRow& r, std::ostream* os) { *os << r.what; }

using namespace std::string_literals;
constexpr RxFilterSettings kMarked{true, false, 0, false};
constexpr RxFilterSettings kReplaced{true, true, '?', false};
constexpr RxFilterSettings kNoNulls{false, false, 0, true};

const FilterRow kFilterRows[] = {
    {"plain_passes_everything", {}, "a\0\xff"s, "\xff\x00"s, "a\0\xff\xff\0"s},
    {"nulls_dropped", kNoNulls, "a\0b"s, "\0\0c"s, "abc"},
    {"doubled_ff_is_one_ff", kMarked, "a\xff"s, "\xff"s "b", "a\xff" "b"},
    {"byte_in_error_as_received", kMarked, "a\xff\x00"s, "Xb", "aXb"},
    {"byte_in_error_replaced", kReplaced, "a\xff"s, "\x00X\xff\xff"s, "a?\xff"},
    {"break_is_a_null_in_error", kMarked, "\xff\x00\x00"s, "", "\0"s},
    {"break_dropped_with_nulls", {true, false, 0, true}, "\xff\x00\x00"s, "a", "a"},
    {"stray_ff_is_data", kMarked, "\xff"s, "A", "\xff" "A"},
};

class ComPortRxFilter : public ::testing::TestWithParam<FilterRow> {};

TEST_P(ComPortRxFilter, DecodesAcrossPieces) {
  const FilterRow& r = GetParam();
  RxFilter filter;
  filter.Configure(r.settings);
  std::string out;
  filter.Decode(reinterpret_cast<const unsigned char*>(r.first.data()), r.first.size(), out);
  filter.Decode(reinterpret_cast<const unsigned char*>(r.second.data()), r.second.size(), out);
  EXPECT_EQ(out, r.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, ComPortRxFilter, ::testing::ValuesIn(kFilterRows),
                         velkor::testing_support::RowIndexName());

TEST(ComPortRxFilterSettings, FollowTheControlBlock) {
  DCB d{};
  d.ErrorChar = '?';
  d.fErrorChar = 1;  // only bytes found in error by parity checking are replaced
  EXPECT_EQ(RxFilterFor(d), (RxFilterSettings{false, false, '?', false}));
  d.fParity = 1;
  d.fNull = 1;
  EXPECT_EQ(RxFilterFor(d), (RxFilterSettings{true, true, '?', true}));
}

}  // namespace
}  // namespace velkor::posix
