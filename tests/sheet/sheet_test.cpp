#include <gtest/gtest.h>

#include <algorithm>

#include "sheet/chain_diagram.h"
#include "sheet/program_sheet.h"
#include "support/row_names.h"

namespace velkor {
namespace {

ProgramNames named(std::initializer_list<std::pair<const char*, const char*>> signals) {
  ProgramNames names;
  for (const auto& [id, name] : signals) names.notes[std::size_t(*signalOf(id))].name = name;
  return names;
}

// SL1: EL1=1 ET EA2 above 250 mV, pause 1000 ms.
OutputSummary pump() {
  OutputSummary o;
  o.page = 1;
  o.name = "SL1";
  o.conditions = {"EL1=1", "EA2"};
  o.links = {"ET"};
  o.thresholds = {{2, ">", 250}};
  o.pauseMs = 1000;
  return o;
}

struct LineRow {
  const char* what;
  OutputSummary output;
  ProgramNames names;
  std::string line;
};

class SheetLine : public testing::TestWithParam<LineRow> {};

TEST_P(SheetLine, NamesWhatIsNamedAndGivesTheRestByItsToken) {
  EXPECT_EQ(sheetLine(GetParam().output, GetParam().names), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SheetLine,
    testing::Values(
        LineRow{"named", pump(),
                named({{"EL1", "Bouton marche"}, {"EA2", "Sonde humidité"}, {"SL1", "Pompe d'arrosage"}}),
                "SL1 Pompe d'arrosage = Bouton marche ET Sonde humidité (EA2 > 250 mV) — pause 1000 mS"},
        LineRow{"nothing named", pump(), {}, "SL1 = EL1=1 ET EA2 (> 250 mV) — pause 1000 mS"},
        LineRow{"names on one line", pump(), named({{"SL1", " Pompe\n\tnord "}, {"SA1", "Vanne"}}),
                "SL1 Pompe nord = EL1=1 ET EA2 (> 250 mV) — pause 1000 mS"},
        LineRow{"analog output",
                [] {
                  OutputSummary o;
                  o.page = 9;
                  o.name = "SA2";
                  o.conditions = {"EL2=1", "EL1=1"};
                  o.links = {"OU"};
                  o.voltageMv = 2500;
                  o.hold = true;
                  return o;
                }(),
                named({{"EL1", "Bouton marche"}}),
                "SA2 = EL2=1 OU Bouton marche — tension 2500 mV, maintenue — pause 0 mS"},
        LineRow{"no condition",
                [] {
                  OutputSummary o;
                  o.page = 6;
                  o.name = "SL6";
                  return o;
                }(),
                {}, "SL6 = aucune condition — pause 0 mS"}),
    testing_support::RowIndexName());

// The title and the line under it: the program's title, else its file, else
// none (a program read from the board, or new).
TEST(ProgramSheet, IsTitledByTheProgramItsFileOrNeither) {
  const ProgramDocument document;
  ProgramNames names;
  names.title = "Serre nord";
  const struct {
    ProgramNames names;
    std::string file, title, origin;
  } rows[] = {{names, "serre.prg", "Serre nord", "Fichier serre.prg, fiche du 14/05/2025"},
              {{}, "serre.prg", "serre.prg", "Fichier serre.prg, fiche du 14/05/2025"},
              {{}, "", "Programme sans titre", "Fiche du 14/05/2025"}};
  for (const auto& row : rows) {
    const ProgramSheet sheet = buildSheet(document, row.names, row.file, "14/05/2025");
    EXPECT_EQ(sheet.title, row.title);
    EXPECT_EQ(sheetOrigin(sheet), row.origin);
  }
}

// The board folds the chain from the left: each link is a gate further right
// and further down than the one before, fed by it and by the next condition.
TEST(ChainDiagram, DrawsEachLinkAsAGateTakingTheResultSoFar) {
  OutputSummary o;
  o.page = 3;
  o.name = "SL3";
  o.conditions = {"EL1=1", "EL2=1", "EA1", "EL4=1"};
  o.links = {"OU", "ET", "OU"};
  o.thresholds = {{1, "<", 1200}};
  const ChartPicture diagram = chainDiagram(o, named({{"EL2", "Arrêt d'urgence"}, {"SL3", "Ventilateur"}}));

  std::vector<const ChartShape*> gates;
  std::vector<std::string> texts;
  for (const ChartShape& shape : diagram.shapes) {
    if (shape.kind != ChartShape::Kind::Text) continue;
    texts.push_back(shape.text);
    if (shape.text == "OU" || shape.text == "ET") gates.push_back(&shape);
  }
  std::sort(gates.begin(), gates.end(), [](auto* a, auto* b) { return a->points[0].x < b->points[0].x; });
  ASSERT_EQ(gates.size(), 3u);
  for (std::size_t k = 0; k < gates.size(); ++k) {
    EXPECT_EQ(gates[k]->text, o.links[k]);
    if (k > 0) {
      EXPECT_GT(gates[k]->points[0].y, gates[k - 1]->points[0].y) << "gate " << k + 1;
    }
  }
  for (const char* text : {"EL1=1", "EA1 < 1200 mV", "Arrêt d'urgence", "SL3", "Ventilateur"})
    EXPECT_NE(std::find(texts.begin(), texts.end(), text), texts.end()) << text;
  // Everything within the picture, which the page makes room for.
  for (const ChartShape& shape : diagram.shapes) {
    std::vector<ChartPoint> corners = shape.points;
    if (shape.kind == ChartShape::Kind::Rect) corners[1] = {corners[0].x + corners[1].x, corners[0].y + corners[1].y};
    for (const ChartPoint& p : corners) {
      EXPECT_TRUE(p.x >= 0 && p.x <= diagram.width && p.y >= 0 && p.y <= diagram.height) << shape.text;
    }
  }
}

}  // namespace
}  // namespace velkor
