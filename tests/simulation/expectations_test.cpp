// Scenarios that expect outputs: how their columns are read and written,
// and a run held against them.
#include <gtest/gtest.h>

#include "images.h"
#include "simulation/expectations.h"
#include "simulation/xml_text.h"
#include "support/board_reference.h"
#include "support/row_names.h"

namespace velkor {
namespace {

using simulation_test::analogImage;
using simulation_test::logicImage;

const std::string kInputs = "0,1,0,0,0,0,0,0,0,0,0,0";

// "SL3=1 SA2=2500": what a row checks, SL1 to SA4.
std::string checked(const ExpectedOutputs& expected) {
  std::string out;
  for (int page = 1; page <= kPageCount; ++page)
    if (expected.checks(page))
      out += (out.empty() ? "" : " ") + pageCaption(page) + "=" + std::to_string(expected.value(page));
  return out;
}

struct ColumnsRow {
  const char* what;
  std::string columns;  // after EA4 in the header
  std::string cells;    // after the inputs in the row
  std::string checks;
};

class ExpectationColumns : public testing::TestWithParam<ColumnsRow> {};

TEST_P(ExpectationColumns, AreReadInAnyOrderAndAnySubset) {
  const ParsedScenario parsed =
      parseScenario(std::string(kScenarioHeader) + GetParam().columns + "\n" + kInputs + GetParam().cells + "\n");
  ASSERT_EQ(parsed.error, "");
  ASSERT_EQ(parsed.rows.size(), 1u);
  EXPECT_EQ(inputsRow(0, parsed.rows[0].inputs), kInputs);
  EXPECT_EQ(checked(parsed.rows[0].expected), GetParam().checks);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ExpectationColumns,
    testing::Values(
        ColumnsRow{"inputs only", "", "", ""},
        ColumnsRow{"every output in order", ",SL1,SL2,SL3,SL4,SL5,SL6,SL7,SA1,SA2,SA3,SA4",
                   ",1,0,1,0,1,0,1,0,5100,9999,7",
                   "SL1=1 SL2=0 SL3=1 SL4=0 SL5=1 SL6=0 SL7=1 SA1=0 SA2=5100 SA3=9999 SA4=7"},
        ColumnsRow{"a subset in another order", ",SA2,SL3", ",2500,1", "SL3=1 SA2=2500"},
        ColumnsRow{"empty cells check nothing", ",SL1,SL2,SA1", ",,0,", "SL2=0"},
        ColumnsRow{"blanks around names and values", ", SA4 ,SL7", ", 12 , ", "SA4=12"}),
    testing_support::RowIndexName());

struct RefusedRow {
  const char* what;
  std::string text;
  int line;
  std::string message;
};

class RefusedExpectations : public testing::TestWithParam<RefusedRow> {};

TEST_P(RefusedExpectations, AreToldWithTheirLine) {
  const ParsedScenario parsed = parseScenario(GetParam().text);
  EXPECT_TRUE(parsed.rows.empty());
  EXPECT_EQ(parsed.errorLine, GetParam().line);
  EXPECT_EQ(parsed.error, GetParam().message);
}

const std::string kHeader(kScenarioHeader);

INSTANTIATE_TEST_SUITE_P(
    Rows, RefusedExpectations,
    testing::Values(
        RefusedRow{"unknown column", kHeader + ",SL1,SL8\n", 1,
                   "colonne inconnue : « SL8 » ; après EA4 viennent au choix SL1 à SL7, SA1 à SA4"},
        RefusedRow{"input after the inputs", kHeader + ",EL1\n", 1,
                   "colonne inconnue : « EL1 » ; après EA4 viennent au choix SL1 à SL7, SA1 à SA4"},
        RefusedRow{"same output twice", kHeader + ",SA1,SL2,SA1\n", 1, "colonne SA1 en double"},
        RefusedRow{"output among the inputs", "time_ms,EL1,EL2,EL3,EL4,EL5,EL6,EL7,EA1,EA2,EA3,SL1,EA4\n", 1,
                   "en-tête attendu : " + kHeader},
        RefusedRow{"cell missing", kHeader + ",SL1,SA1\n" + kInputs + ",1\n", 2,
                   "il faut 14 valeurs séparées par des virgules, la ligne en a 13"},
        RefusedRow{"logic output at 2", kHeader + ",SL4\n\n" + kInputs + ",2\n", 3,
                   "SL4 doit valoir 0 ou 1, ou rester vide : « 2 »"},
        RefusedRow{"analog output beyond four digits", kHeader + ",SA3\n" + kInputs + ",10000\n", 2,
                   "SA3 doit être un nombre de mV de 0 à 9999, ou rester vide : « 10000 »"},
        RefusedRow{"negative analog output", kHeader + ",SA1\n" + kInputs + ",-5\n", 2,
                   "SA1 doit être un nombre de mV de 0 à 9999, ou rester vide : « -5 »"}),
    testing_support::RowIndexName());

TEST(Expectations, RowsKeepTheirLineAndAreWrittenWithTheColumnsTheyCheck) {
  const ParsedScenario parsed = parseScenario("\xEF\xBB\xBF" + kHeader + ",SA1,SL2\r\n\r\n0," + kInputs.substr(2) +
                                              ",,\r\n5," + kInputs.substr(2) + ",300,\n\n\n9," + kInputs.substr(2) +
                                              ",,1");
  ASSERT_EQ(parsed.error, "");
  ASSERT_EQ(parsed.rows.size(), 3u);
  EXPECT_EQ(parsed.rows[0].line, 3);
  EXPECT_EQ(parsed.rows[1].line, 4);
  EXPECT_EQ(parsed.rows[2].line, 7);
  // Columns for what some row checks, SL1 to SA4; empty cells elsewhere.
  EXPECT_EQ(scenarioText(parsed.rows), kHeader + ",SL2,SA1\n0," + kInputs.substr(2) + ",,\n5," + kInputs.substr(2) +
                                           ",,300\n9," + kInputs.substr(2) + ",1,\n");

  std::mt19937 rng(26);
  const ProgramDocument doc;
  auto rows = testing_support::randomRows(rng, doc, 300);
  for (ScenarioRow& row : rows)
    for (int page = 1; page <= kPageCount; ++page)
      if (rng() % 3 == 0) row.expected.set(page, isLogicPage(page) ? int(rng() % 2) : int(rng() % 10'000));
  EXPECT_EQ(parseScenario(scenarioText(rows)).rows, rows);
}

TEST(Expectations, ARunIsHeldAgainstThemRowByRow) {
  ProgramImages images;
  for (int page = 1; page <= kPageCount; ++page)
    images[page] = isLogicPage(page) ? logicImage("?") : analogImage("?", "0000", 'F');
  images[1] = logicImage("\x01");                    // SL1: EL1
  images[8] = analogImage("\x02", "2500", 'V');      // SA1: EL2, held
  const ParsedScenario scenario = parseScenario(kHeader + ",SL1,SA1\n"
                                                "0,0,0,0,0,0,0,0,0,0,0,0,0,0\n"        // line 2: holds
                                                "100,1,0,0,0,0,0,0,0,0,0,0,0,\n"       // SL1 is 1
                                                "200,0,1,0,0,0,0,0,0,0,0,0,,2500\n"    // holds
                                                "300,0,0,0,0,0,0,0,0,0,0,0,,\n"        // checks nothing
                                                "4500,0,0,0,0,0,0,0,0,0,0,0,1,0\n");   // SA1 held: 2500
  ASSERT_EQ(scenario.error, "");
  const RunCheck check = checkRun(scenario.rows, runScenario(images, scenario.rows));
  EXPECT_EQ(check.expectations, 6u);
  EXPECT_EQ(check.rowsChecked, 4u);
  std::vector<std::string> messages;
  for (const ExpectationFailure& f : check.failures) messages.push_back(f.message("essai.csv"));
  EXPECT_EQ(messages, (std::vector<std::string>{"essai.csv:3 (t = 100 ms) : SL1 attendu 0, obtenu 1",
                                                "essai.csv:6 (t = 4500 ms) : SL1 attendu 1, obtenu 0",
                                                "essai.csv:6 (t = 4500 ms) : SA1 attendu 0 mV, obtenu 2500 mV"}));
  ASSERT_EQ(check.failures.size(), 3u);
  EXPECT_EQ(check.failures[1].row, 4u);  // the board window marks rows by their index
}

TEST(XmlText, EscapesMarkupAndShowsWhatXmlCannotHoldAsQuestionMarks) {
  EXPECT_EQ(xmlText("a&b <c> \"d\" é€😀\tx"), "a&amp;b &lt;c&gt; &quot;d&quot; é€😀\tx");
  EXPECT_EQ(xmlText("ab\x01\x1f"), "ab??");
  EXPECT_EQ(xmlText("\xff|\xc3|\xc0\xaf|\xed\xa0\x80|\xf4\x90\x80\x80|\xe2\x82"), "?|?|??|???|????|??");
  EXPECT_EQ(xmlText("ligne 1\r\nligne 2\rligne 3\r"), "ligne 1\nligne 2\nligne 3\n");  // line ends of other tools
}

}  // namespace
}  // namespace velkor
