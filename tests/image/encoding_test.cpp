#include <gtest/gtest.h>

#include "support/row_names.h"

#include "image/encoding.h"
#include "image/program.h"
#include "support/programs.h"

namespace velkor {
namespace {

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(Encoding, DefaultDocument) {
  Program program;
  program.initialiserPages();
  program.construireImages();
  for (int p = 1; p <= 7; ++p)
    EXPECT_EQ(program.images[p], std::string(1, char(p)) + repeat("R?", 10) + repeat("U0000", 4) + "00000") << p;
  for (int p = 8; p <= 11; ++p)
    EXPECT_EQ(program.images[p], std::string(1, char(p - 7)) + repeat("R?", 6) + "0000" + "00000" + "F") << p;
}

TEST(Encoding, ExampleImageByteForByte) {
  Program program;
  testing_support::makeExample(program);
  program.construireImages();
  const std::string expected = std::string("\x01" "E" "\x09") + repeat("R?", 9) + "U0000U0250U0000U0000" + "01000";
  ASSERT_EQ(expected.size(), 46u);
  EXPECT_EQ(program.images[1], expected);
}

// Field states that editing never produces but the format still fixes.
struct EncodeRow {
  const char* what;
  void (*set)(ProgramDocument&);
  int page;
  std::size_t position;  // 1-based
  std::string bytes;
};

class EncodeField : public testing::TestWithParam<EncodeRow> {};

TEST_P(EncodeField, WritesTheFormat) {
  const EncodeRow& row = GetParam();
  ProgramDocument doc;
  row.set(doc);
  const std::string image = buildImage(doc, row.page);
  ASSERT_EQ(image.size(), imageLength(row.page));
  EXPECT_EQ(image.substr(row.position - 1, row.bytes.size()), row.bytes) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EncodeField,
    testing::Values(
        EncodeRow{"empty first slot", [](ProgramDocument& d) { d.page(2).slot(1).text.clear(); }, 2, 1, "?R?"},
        EncodeRow{"'-' before a filled slot is E",
                  [](ProgramDocument& d) { d.page(1).slot(2).text = "EL2=1"; }, 1, 2, "E\x02" "R"},
        EncodeRow{"OU", [](ProgramDocument& d) { d.page(1).slot(2).text = "EL2=1"; d.page(1).link(1).caption = "OU"; },
                  1, 2, "O\x02"},
        EncodeRow{"enabled threshold with empty text",
                  [](ProgramDocument& d) { d.page(3).threshold(4).enabled = true; d.page(3).threshold(4).value = ""; },
                  3, 37, "U0000"},
        EncodeRow{"below",
                  [](ProgramDocument& d) {
                    Threshold& th = d.page(3).threshold(1);
                    th.enabled = true; th.value = "7"; th.comparator = "<";
                  },
                  3, 22, "D0007"},
        EncodeRow{"disabled threshold is not in use",
                  [](ProgramDocument& d) { d.page(3).threshold(2).value = "1234"; d.page(3).threshold(2).comparator = "<"; },
                  3, 27, "U0000"},
        EncodeRow{"pause 7", [](ProgramDocument& d) { d.page(5).pause = "7"; }, 5, 42, "00007"},
        EncodeRow{"voltage 5100", [](ProgramDocument& d) { d.page(8).voltage = "5100"; }, 8, 14, "5100"},
        EncodeRow{"hold", [](ProgramDocument& d) { d.page(11).hold = true; }, 11, 23, "V"},
        EncodeRow{"analog codes are raw bytes",
                  [](ProgramDocument& d) {
                    OutputPage& p = d.page(6);
                    p.slot(1).text = "EA1"; p.slot(2).text = "EA2"; p.slot(3).text = "EA3"; p.slot(4).text = "EA4";
                  },
                  6, 1, "\x08" "E\x09" "E\x0A" "E\x0B"}),
                         testing_support::RowIndexName());

}  // namespace
}  // namespace velkor
