// velkor-cli sheet: the PDF read back with pdftotext, the HTML as written.
#include <gtest/gtest.h>

#include "cli_fixture.h"
#include "simulation/xml_text.h"
#include "support/pdf_text.h"
#include "support/programs.h"

namespace velkor {
namespace {

using testing_support::Cli;
using testing_support::CliRun;
using testing_support::readBytes;
using testing_support::writeBytes;

struct SheetCommand : Cli {
  std::string pdfText(const std::string& pdf) {
    const std::string text = testing_support::pdfWords(VELKOR_PDFTOTEXT, pdf);
    EXPECT_NE(text, "") << pdf;
    return text;
  }
};

TEST_F(SheetCommand, HoldsTheTitleEveryNameAndEachOutputsLine) {
  Program program;
  testing_support::makeRichProgram(program);
  const std::string file = save(program, "serre.prg");
  writeBytes(file + ".json", R"({"title": "Serre nord", "comment": "Arrosage de la serre nord", "signals": {)"
                             R"("EL1": {"name": "Bouton marche", "comment": "armoire, porte gauche"},)"
                             R"("EA2": {"name": "Sonde humidité"}, "EA3": {"name": "Thermomètre fixe"},)"
                             R"("SL1": {"name": "Pompe d'arrosage"}, "SA2": {"name": "Vanne", "comment": "cuve 2"}}})");
  const std::vector<std::string> lines = {
      "SL1 Pompe d'arrosage = Bouton marche ET Sonde humidité (EA2 > 250 mV) — pause 1000 mS",
      "SL2 = Thermomètre fixe (EA3 > 4321 mV) — pause 0 mS",
      "SL3 = EL3=1 — pause 0 mS",
      "SL4 = EL4=1 — pause 0 mS",
      "SL5 = EL5=1 — pause 0 mS",
      "SL6 = EL6=1 — pause 0 mS",
      "SL7 = EL7=1 — pause 0 mS",
      "SA1 = Bouton marche — tension 0 mV, non maintenue — pause 0 mS",
      "SA2 Vanne = EL2=1 OU Bouton marche — tension 2500 mV, maintenue — pause 0 mS",
      "SA3 = EL3=1 — tension 0 mV, non maintenue — pause 0 mS",
      "SA4 = EL4=1 — tension 0 mV, non maintenue — pause 65000 mS"};
  const std::string pdf = (dir / "fiche.pdf").string(), html = (dir / "fiche.html").string();

  const CliRun r = run("sheet " + file + " --pdf " + pdf + " --html=" + html);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out + r.err, "");
  const std::string text = pdfText(pdf), page = readBytes(html);
  for (const std::string& expected :
       {std::string("Serre nord"), std::string("Arrosage de la serre nord"), std::string("Fichier serre.prg, fiche du"),
        std::string("armoire, porte gauche"), std::string("Thermomètre fixe"), std::string("cuve 2"),
        std::string("Sortie logique N°1 — Pompe d'arrosage"), std::string("page 1/")}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << " in\n" << text;
    if (!expected.starts_with("page")) {
      EXPECT_NE(page.find(xmlText(expected)), std::string::npos) << expected;
    }
  }
  for (const std::string& line : lines) {
    EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    EXPECT_NE(page.find(xmlText(line)), std::string::npos) << line;
  }

  // A names file that cannot be read: the sheet without names, and exit 5.
  writeBytes(file + ".json", "{\"signals\": []}");
  const CliRun damaged = run("sheet " + file + " --pdf " + pdf);
  EXPECT_EQ(damaged.exitCode, 5);
  EXPECT_NE(damaged.err.find("« signals » doit être un objet"), std::string::npos) << damaged.err;
  const std::string unnamed = pdfText(pdf);
  EXPECT_TRUE(unnamed.starts_with("serre.prg ")) << "titled by its file";
  EXPECT_NE(unnamed.find("SL1 = EL1=1 ET EA2 (> 250 mV) — pause 1000 mS"), std::string::npos) << unnamed;
  EXPECT_EQ(unnamed.find("Pompe"), std::string::npos);
}

}  // namespace
}  // namespace velkor
