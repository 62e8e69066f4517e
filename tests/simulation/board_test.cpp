#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "images.h"
#include "simulation/chart.h"
#include "simulation/scenario.h"
#include "support/board_reference.h"
#include "support/programs.h"
#include "support/row_names.h"

namespace velkor {
namespace {

using simulation_test::analogImage;
using simulation_test::logicImage;

std::vector<std::string> lines(const std::vector<ScenarioRow>& rows, const std::vector<BoardOutputs>& outputs) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < rows.size(); ++i) out.push_back(outputsRow(rows[i].timeMs, outputs[i]));
  return out;
}

TEST(BoardSimulation, EveryOutputAgreesWithItsOwnSimulationOnRandomProgramsAndInputs) {
  std::mt19937 rng(16);
  int active = 0, held = 0;
  for (int n = 0; n < 80; ++n) {
    Program program;
    program.initialiserPages();
    testing_support::randomEdits(program, rng, 120);
    program.construireImages();
    const auto rows = testing_support::randomRows(rng, program.document, 150);
    const auto outputs = runScenario(program.images, rows);
    ASSERT_EQ(lines(rows, outputs), testing_support::referenceRun(program.images, rows)) << "program " << n;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      active += int(std::count(outputs[i].logic.begin(), outputs[i].logic.end(), true));
      for (int k = 1; k <= 4; ++k) {
        AnalogSimulation chain;
        chain.start(program.images[pageOfAnalogOutput(k)]);
        const bool shownWhileFalse = outputs[i].analog[std::size_t(k - 1)] != 0 &&
                                     !chain.evaluate(testing_support::inputState(rows[i].inputs));
        held += shownWhileFalse;
      }
    }
  }
  // The runs went through active logic outputs and held voltages alike.
  EXPECT_GT(active, 1000);
  EXPECT_GT(held, 50);
}

TEST(BoardSimulation, AProgramChangeRestartsOnlyTheOutputsItChanges) {
  ProgramImages images;
  for (int page = 1; page <= 7; ++page) images[page] = logicImage("?");
  images[8] = analogImage("\x01", "2500", 'V');
  images[9] = analogImage("\x01", "1000", 'V');
  images[10] = analogImage("\x02", "0300", 'F');
  images[11] = analogImage("?", "0000", 'F');
  BoardSimulation board;
  board.setProgram(images);
  BoardInputs in;
  in.logic[0] = in.logic[1] = true;
  board.setInputs(in);
  EXPECT_EQ(board.outputs().analog, (std::array<int, 4>{2500, 1000, 300, 0}));
  in.logic[0] = in.logic[1] = false;
  board.setInputs(in);
  EXPECT_EQ(board.outputs().analog, (std::array<int, 4>{2500, 1000, 0, 0}));  // held under "V" only

  images[9] = analogImage("\x01", "1200", 'V');  // SA2 edited: its hold goes, SA1 keeps its own
  images[1] = logicImage("\x02");
  board.setProgram(images);
  EXPECT_EQ(board.outputs().analog, (std::array<int, 4>{2500, 0, 0, 0}));
  EXPECT_FALSE(board.outputs().logic[0]);
  in.logic[1] = true;  // SL1 follows its new chain at once
  board.setInputs(in);
  EXPECT_TRUE(board.outputs().logic[0]);

  board.releaseHolds();
  EXPECT_EQ(board.outputs().analog, (std::array<int, 4>{0, 0, 300, 0}));
}

struct BadScenario {
  const char* what;
  std::string text;
  int line;
  std::string message;
};

void PrintTo(const BadScenario& row, std::ostream* os) { *os << row.what; }

class ScenarioErrors : public testing::TestWithParam<BadScenario> {};

TEST_P(ScenarioErrors, AreToldWithTheirLine) {
  const ParsedScenario parsed = parseScenario(GetParam().text);
  EXPECT_TRUE(parsed.rows.empty());
  EXPECT_EQ(parsed.errorLine, GetParam().line);
  EXPECT_EQ(parsed.error, GetParam().message);
}

const std::string kHeader = std::string(kScenarioHeader) + "\n";
const std::string kRow = "0,0,0,0,0,0,0,0,0,0,0,0\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, ScenarioErrors,
    testing::Values(
        BadScenario{"empty file", "", 1, "en-tête attendu : " + std::string(kScenarioHeader)},
        BadScenario{"header of the outputs", std::string(kOutputsHeader) + "\n" + kRow, 1,
                    "en-tête attendu : " + std::string(kScenarioHeader)},
        BadScenario{"eleven values", kHeader + kRow + "5,0,0,0,0,0,0,0,0,0,0\n", 3,
                    "il faut 12 valeurs séparées par des virgules, la ligne en a 11"},
        BadScenario{"logic input at 2", kHeader + "\n" + "0,0,0,2,0,0,0,0,0,0,0,0\n", 3, "EL3 doit valoir 0 ou 1 : « 2 »"},
        BadScenario{"analog input above 5100", kHeader + "0,0,0,0,0,0,0,0,0,5101,0,0\n", 2,
                    "EA2 doit être un nombre de mV de 0 à 5100 : « 5101 »"},
        BadScenario{"negative analog input", kHeader + "0,0,0,0,0,0,0,0,0,0,0,-1\n", 2,
                    "EA4 doit être un nombre de mV de 0 à 5100 : « -1 »"},
        BadScenario{"decimal time", kHeader + "1.5,0,0,0,0,0,0,0,0,0,0,0\n", 2, "temps en ms attendu : « 1.5 »"},
        BadScenario{"time going back", kHeader + "100,0,0,0,0,0,0,0,0,0,0,0\n" + "100,1,0,0,0,0,0,0,0,0,0,0\n" +
                                          "99,0,0,0,0,0,0,0,0,0,0,0\n",
                    4, "le temps recule : 99 ms après 100 ms"},
        // A value or a line is quoted by its start only, never cut inside a character.
        BadScenario{"line too long", kHeader + "0," + std::string(1'000'000, '7') + "\n", 2,
                    "ligne trop longue (plus de 256 octets) : « 0,7777777777777777777777… »"},
        BadScenario{"long value", kHeader + "0,0,0,0,0,0,0,0,0,0,0,x" + [] {
                      std::string e;
                      for (int i = 0; i < 20; ++i) e += "é";
                      return e;
                    }() + "\n",
                    2, "EA4 doit être un nombre de mV de 0 à 5100 : « xééééééééééé… »"},
        BadScenario{"control bytes", kHeader + "0,a\x01\x7f" + "b,0,0,0,0,0,0,0,0,0,0\n", 2,
                    "EL1 doit valoir 0 ou 1 : « a??b »"}),
    testing_support::RowIndexName());

TEST(Scenario, ReadsWhatSpreadsheetsWriteAndWritesWhatItReads) {
  const ParsedScenario parsed =
      parseScenario("\xEF\xBB\xBF" + std::string(kScenarioHeader) + "\r\n0, 1,0,0,0,0,0,1, 5100,0,0,7\r\n\r\n");
  ASSERT_EQ(parsed.error, "");
  ASSERT_EQ(parsed.rows.size(), 1u);
  EXPECT_EQ(inputsRow(0, parsed.rows[0].inputs), "0,1,0,0,0,0,0,1,5100,0,0,7");

  std::mt19937 rng(3);
  const ProgramDocument doc;
  const auto rows = testing_support::randomRows(rng, doc, 300);
  EXPECT_EQ(parseScenario(scenarioText(rows)).rows, rows);
}

BoardState stateWith(int el1, int ea2) {
  BoardState s;
  s.inputs.logic[0] = el1;
  s.inputs.analog[1] = ea2;
  s.outputs.logic[0] = el1;
  return s;
}

TEST(Trace, KeepsChangesOnlyAndForgetsTheOldestBeyondItsCapacity) {
  Trace trace(3);
  trace.record(0, stateWith(0, 0));
  trace.record(10, stateWith(0, 0));  // no change
  trace.record(20, stateWith(1, 0));
  trace.record(30, stateWith(1, 300));
  trace.record(25, stateWith(0, 300));  // a late record keeps the order
  EXPECT_EQ(trace.size(), 3u);
  EXPECT_EQ(trace.firstTime(), 20);
  EXPECT_EQ(trace.lastTime(), 30);
  EXPECT_EQ(trace.stateAt(trace.indexAt(29)), stateWith(1, 0));
  EXPECT_EQ(trace.stateAt(trace.indexAt(1000)), stateWith(0, 300));
  const std::string csv = trace.csv();
  EXPECT_EQ(csv, "time_ms,EL1,EL2,EL3,EL4,EL5,EL6,EL7,EA1,EA2,EA3,EA4,SL1,SL2,SL3,SL4,SL5,SL6,SL7,SA1,SA2,SA3,SA4\n"
                 "20,1,0,0,0,0,0,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0\n"
                 "30,1,0,0,0,0,0,0,0,300,0,0,1,0,0,0,0,0,0,0,0,0,0\n"
                 "30,0,0,0,0,0,0,0,0,300,0,0,0,0,0,0,0,0,0,0,0,0,0\n");
}

// Texts of the readings column, top to bottom.
std::vector<std::string> readings(const ChartPicture& picture) {
  std::vector<const ChartShape*> texts;
  for (const ChartShape& s : picture.shapes)
    if (s.kind == ChartShape::Kind::Text && s.align == TextAlign::Right) texts.push_back(&s);
  std::sort(texts.begin(), texts.end(), [](auto* a, auto* b) { return a->points[0].y < b->points[0].y; });
  std::vector<std::string> out;
  for (const ChartShape* s : texts) out.push_back(s->text);
  return out;
}

TEST(Chart, TheCursorReadsEveryLaneAndManyChangesCostAFewPointsPerPixel) {
  Trace trace(200'000);
  for (int t = 0; t < 100'000; ++t) trace.record(t, stateWith(t % 2, t < 50'000 ? 0 : 300));
  BoardState last = stateWith(1, 300);
  last.outputs.analog[3] = 2500;
  trace.record(100'000, last);
  const int width = 800;
  const ChartView view{0, 100'010, 100'010, 99'999};
  const ChartPicture picture = drawChart(trace, view, width);

  std::vector<std::string> expected(kLaneCount, "0");
  expected[0] = expected[11] = "1";  // EL1, SL1
  expected[8] = "300";               // EA2
  EXPECT_EQ(readings(picture), expected);
  EXPECT_EQ(readings(drawChart(trace, {0, 100'010, 100'010, 100'005}, width))[21], "2500");  // SA4

  // EL1 toggles every millisecond, far more often than there are pixels.
  const ChartShape* el1 = nullptr;
  for (const ChartShape& s : picture.shapes)
    if (s.kind == ChartShape::Kind::Polyline && s.points.size() > 2) {
      el1 = &s;
      break;
    }
  ASSERT_NE(el1, nullptr);
  EXPECT_LE(el1->points.size(), std::size_t(4 * width));
  const auto [low, high] = std::minmax_element(el1->points.begin(), el1->points.end(),
                                               [](auto& a, auto& b) { return a.y < b.y; });
  const ChartMetrics m;
  EXPECT_NEAR(low->y, m.laneTop(0) + 3, 0.01);
  EXPECT_NEAR(high->y, m.laneTop(0) + m.logicLaneHeight - 3, 0.01);
  EXPECT_NEAR(el1->points.back().x, xAtTime(100'010, view, width, m), 0.01);
  for (const ChartPoint& p : el1->points) ASSERT_GE(p.x, m.plotLeft());
}

// The cursor's time label never lies over an axis label, and stays inside
// the picture; the axis keeps the labels away from it. Widths are taken a
// little wider than the chart's own estimate (0.65 em a character).
TEST(Chart, TheCursorTimeLeavesTheAxisLabelsClear) {
  Trace trace;
  trace.record(0, stateWith(0, 0));
  const ChartMetrics m;
  const int width = 800;
  for (std::int64_t cursor : {0, 1'000, 1'900, 2'000, 2'100, 9'950, 10'000}) {
    SCOPED_TRACE("cursor at " + std::to_string(cursor) + " ms");
    const ChartPicture picture = drawChart(trace, {0, 10'000, 10'000, cursor}, width, m);
    std::vector<std::pair<double, double>> axis;  // extents of the axis labels
    std::optional<std::pair<double, double>> label;
    for (const ChartShape& s : picture.shapes) {
      if (s.kind != ChartShape::Kind::Text || s.points[0].y >= m.axisHeight) continue;
      const double half = 0.65 * m.fontPixels * double(s.text.size()) / 2;
      const std::pair extent{s.points[0].x - half, s.points[0].x + half};
      if (s.color == ChartColor{220, 0, 0}) label = extent;
      else axis.push_back(extent);
    }
    ASSERT_TRUE(label);
    EXPECT_GE(label->first, 0);
    EXPECT_LE(label->second, width);
    EXPECT_GE(axis.size(), 4u);  // 0 s to 10 s every 2 s: at most two make way
    for (const auto& [from, to] : axis) EXPECT_TRUE(to < label->first || from > label->second) << from << "-" << to;
  }
}

TEST(Chart, TimeLabels) {
  EXPECT_EQ(timeLabel(0), "0 s");
  EXPECT_EQ(timeLabel(1500), "1,5 s");
  EXPECT_EQ(timeLabel(12'345), "12,345 s");
  EXPECT_EQ(timeLabel(250), "0,25 s");
}

}  // namespace
}  // namespace velkor
