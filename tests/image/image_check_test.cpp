// Images holding bytes the editor never writes: each kind is found, said in
// French, and the chain ends where decoding ends it.
#include <gtest/gtest.h>

#include "image/decoding.h"
#include "image/image_check.h"
#include "support/row_names.h"

namespace velkor {
namespace {

// SL: EL1=1 ET EA2 (< 250 mV), pause 1000. SA: EL1=1 OU EL2=1, 2500 mV held, pause 20.
const std::string kLogic = std::string("\x01" "E" "\x09" "R?R?R?R?R?R?R?R?R?") + "U0000D0250U0000U0000" + "01000";
const std::string kAnalog = std::string("\x01" "O" "\x02" "R?R?R?R?R?") + "2500" + "00020" + "V";

std::string with(std::string image, std::size_t position, std::string_view bytes) {
  return image.replace(position - 1, bytes.size(), bytes);
}

struct DamageRow {
  const char* what;
  int page;
  std::string image;
  std::vector<std::string> faults;
  int slotsDecoded;  // filled slots after decoding
};

class Damage : public testing::TestWithParam<DamageRow> {};

TEST_P(Damage, IsFoundAndToldAsDecodingReadsIt) {
  const DamageRow& row = GetParam();
  EXPECT_EQ(imageFaults(row.page, row.image), row.faults) << row.what;
  ProgramDocument doc;
  resetPages(doc);
  decodeImage(doc, row.page, row.image);
  int filled = 0;
  while (filled < slotCount(row.page) && !doc.page(row.page).slot(filled + 1).text.empty()) ++filled;
  EXPECT_EQ(filled, row.slotsDecoded) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Damage,
    testing::Values(
        DamageRow{"sound logic image", 2, kLogic, {}, 2},
        DamageRow{"sound analog image", 8, kAnalog, {}, 2},
        DamageRow{"code 12 in the chain", 2, with(kLogic, 3, "\x0c"),
                  {"condition 2 illisible, la chaîne s'arrête à la condition 1"}, 1},
        DamageRow{"code 0 first", 2, with(kLogic, 1, std::string(1, '\0')),
                  {"condition 1 illisible, la chaîne est vide"}, 0},
        DamageRow{"analog input on an analog output", 8, with(kAnalog, 3, "\x08"),
                  {"condition 2 illisible, la chaîne s'arrête à la condition 1"}, 1},
        DamageRow{"link other than E O R", 2, with(kLogic, 2, "e"),
                  {"lien 1 illisible, la chaîne s'arrête à la condition 1"}, 1},
        DamageRow{"bytes after the end of the chain", 8, with(kAnalog, 7, "\x0bX"),
                  {"octets illisibles après la fin de la chaîne, ignorés"}, 2},
        DamageRow{"comparator", 2, with(kLogic, comparatorPosition(2), "<"),
                  {"comparateur de EA2 illisible, remplacé par >"}, 2},
        DamageRow{"threshold digit", 2, with(kLogic, thresholdPosition(2), "02 5"),
                  {"seuil de EA2 illisible, remplacé par 0"}, 2},
        DamageRow{"pause digit", 2, with(kLogic, logicPausePosition, "0100\n"), {"pause illisible, remplacée par 0"}, 2},
        DamageRow{"voltage digit", 8, with(kAnalog, voltagePosition, "25O0"),
                  {"tension illisible, remplacée par 0"}, 2},
        DamageRow{"hold flag", 8, with(kAnalog, holdPosition, "v"), {"maintien illisible, tension non maintenue"}, 2},
        DamageRow{"image cut short", 8, kAnalog.substr(0, 20),
                  {"pause illisible, remplacée par 0", "maintien illisible, tension non maintenue"}, 2}),
    testing_support::RowIndexName());

TEST(Damage, OneLinePerDamagedOutputNamingIt) {
  ProgramImages images;
  for (int p = 1; p <= kPageCount; ++p) images[p] = isLogicPage(p) ? kLogic : kAnalog;
  images[2] = with(with(kLogic, 2, "X"), logicPausePosition, "?????");
  images[11] = with(kAnalog, holdPosition, "0");
  EXPECT_EQ(damagedOutputs(images),
            (std::vector<std::string>{
                "SL2 : lien 1 illisible, la chaîne s'arrête à la condition 1 ; pause illisible, remplacée par 0",
                "SA4 : maintien illisible, tension non maintenue"}));
}

}  // namespace
}  // namespace velkor
