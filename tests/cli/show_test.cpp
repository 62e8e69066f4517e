#include <gtest/gtest.h>

#include "cli_fixture.h"
#include "image/program.h"
#include "image/program_file.h"
#include "simulation/scenario.h"
#include "support/programs.h"
#include "support/row_names.h"
#include "support/temp_dir.h"

namespace velkor {
namespace {

using testing_support::readBytes;
using testing_support::TempDir;
using testing_support::writeBytes;

using testing_support::Cli;
using testing_support::CliRun;

TEST_F(Cli, JsonOfTheExampleProgram) {
  Program program;
  program.initialiserPages();
  testing_support::makeExample(program);
  // SA1: EL1=1 OU EL2=1, 2500 mV held, pause 20.
  ProgramDocument& doc = program.document;
  doc.ou01_01Click(FieldId::link(8, 1));
  doc.setNumberText(FieldId::voltage(8), "2500");
  doc.setNumberText(FieldId::pause(8), "20");
  doc.zero1Click(FieldId::hold(8));
  // SL3: EA4 below 1200, alone; its unused EA1 threshold is not listed.
  doc.choix01_01Select(FieldId::slot(3, 1), "EA4");
  doc.setNumberText(FieldId::threshold(3, 4), "1200");
  doc.supinf01_01Click(FieldId::comparator(3, 4));

  const CliRun r = run("show --json " + save(program, "prog"));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "{\"outputs\": [\n"
            "  {\"name\": \"SL1\", \"conditions\": [\"EL1=1\", \"EA2\"], \"links\": [\"ET\"], \"thresholds\": "
            "{\"EA2\": {\"comparator\": \">\", \"millivolts\": 250}}, \"pause_ms\": 1000},\n"
            "  {\"name\": \"SL2\", \"conditions\": [\"EL2=1\"], \"links\": [], \"thresholds\": {}, \"pause_ms\": 0},\n"
            "  {\"name\": \"SL3\", \"conditions\": [\"EA4\"], \"links\": [], \"thresholds\": "
            "{\"EA4\": {\"comparator\": \"<\", \"millivolts\": 1200}}, \"pause_ms\": 0},\n"
            "  {\"name\": \"SL4\", \"conditions\": [\"EL4=1\"], \"links\": [], \"thresholds\": {}, \"pause_ms\": 0},\n"
            "  {\"name\": \"SL5\", \"conditions\": [\"EL5=1\"], \"links\": [], \"thresholds\": {}, \"pause_ms\": 0},\n"
            "  {\"name\": \"SL6\", \"conditions\": [\"EL6=1\"], \"links\": [], \"thresholds\": {}, \"pause_ms\": 0},\n"
            "  {\"name\": \"SL7\", \"conditions\": [\"EL7=1\"], \"links\": [], \"thresholds\": {}, \"pause_ms\": 0},\n"
            "  {\"name\": \"SA1\", \"conditions\": [\"EL1=1\", \"EL2=1\"], \"links\": [\"OU\"], \"voltage_mv\": 2500, "
            "\"hold\": true, \"pause_ms\": 20},\n"
            "  {\"name\": \"SA2\", \"conditions\": [\"EL2=1\"], \"links\": [], \"voltage_mv\": 0, \"hold\": false, "
            "\"pause_ms\": 0},\n"
            "  {\"name\": \"SA3\", \"conditions\": [\"EL3=1\"], \"links\": [], \"voltage_mv\": 0, \"hold\": false, "
            "\"pause_ms\": 0},\n"
            "  {\"name\": \"SA4\", \"conditions\": [\"EL4=1\"], \"links\": [], \"voltage_mv\": 0, \"hold\": false, "
            "\"pause_ms\": 0}\n"
            "]}\n");

  const CliRun text = run("show " + (dir / "prog").string());
  ASSERT_EQ(text.exitCode, 0);
  EXPECT_NE(text.out.find("SL1 : EL1=1 ET EA2 (> 250 mV) — pause 1000 mS\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("SA1 : EL1=1 OU EL2=1 — tension 2500 mV, maintenue — pause 20 mS\n"), std::string::npos);
}

TEST_F(Cli, EmptyFirstSlotGivesNoConditions) {
  Program program;
  program.initialiserPages();
  program.construireImages();
  program.images[5][0] = '?';  // SL5: first slot empty, as a board may hold it
  writeBytes(dir / "prog", serializeProgramFile(program.images));
  const CliRun r = run("show --json " + (dir / "prog").string());
  ASSERT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("{\"name\": \"SL5\", \"conditions\": [], \"links\": [], \"thresholds\": {}, \"pause_ms\": 0}"),
            std::string::npos)
      << r.out;
}

// A names file beside the program adds its names to what show prints; with
// none the output is what it always was, and with one that cannot be read
// too, told on stderr with exit 5. simulate's chart names its lanes as well.
TEST_F(Cli, ShowsTheNamesOfTheNamesFileBesideTheProgram) {
  Program program;
  program.initialiserPages();
  testing_support::makeExample(program);
  const std::string file = save(program, "atelier.prg");
  const CliRun plain = run("show " + file), plainJson = run("show --json " + file);
  ASSERT_EQ(plain.exitCode, 0);
  ASSERT_EQ(plainJson.exitCode, 0);

  writeBytes(file + ".json", R"({"v": 2, "title": "Serre nord", "comment": "Côté\nnord", "signals": {)"
                             R"("EL1": {"name": "Bouton marche", "comment": "armoire", "x": 1}, "EA2": {"name": "Sonde humidité"},)"
                             R"( "SL1": {"name": "Pompe d'arrosage"}, "SA4": {"comment": "vanne"}, "ZZ": {}}})");
  const auto replaced = [](std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
  };
  std::string named = replaced(plain.out, "SL1 : EL1=1 ET EA2 (> 250 mV)",
                               "SL1 (Pompe d'arrosage) : EL1=1 (Bouton marche) ET EA2 (Sonde humidité) (> 250 mV)");
  named = replaced(named, "SA1 : EL1=1", "SA1 : EL1=1 (Bouton marche)");
  const CliRun text = run("show " + file);
  EXPECT_EQ(text.exitCode, 0) << text.err;
  EXPECT_EQ(text.out, named);
  const CliRun json = run("show --json " + file);
  EXPECT_EQ(json.exitCode, 0) << json.err;
  EXPECT_EQ(json.out, replaced(plainJson.out, "\n]}\n",
                               "\n],\n\"title\": \"Serre nord\",\n\"comment\": \"Côté\\nnord\",\n\"signals\": {"
                               "\"EL1\": {\"name\": \"Bouton marche\", \"comment\": \"armoire\"}, "
                               "\"EA2\": {\"name\": \"Sonde humidité\"}, \"SL1\": {\"name\": \"Pompe d'arrosage\"}, "
                               "\"SA4\": {\"comment\": \"vanne\"}}}\n"));

  writeBytes(dir / "run.csv", std::string(kScenarioHeader) + "\n0,1,0,0,0,0,0,0,0,0,0,0\n");
  const CliRun simulated = run("simulate " + file + " " + (dir / "run.csv").string() + " --svg " + (dir / "run.svg").string());
  EXPECT_EQ(simulated.exitCode, 0) << simulated.err;
  EXPECT_TRUE(simulated.out.starts_with(std::string(kOutputsHeader) + "\n")) << "the CSV keeps the ids";
  const std::string svg = readBytes(dir / "run.svg");
  for (const char* lane : {">EL1</text>", ">Bouton marche</text>", ">SL1</text>", ">Pompe d'arrosage</text>"})
    EXPECT_NE(svg.find(lane), std::string::npos) << lane;

  writeBytes(file + ".json", "{\"title\": 1}");
  const std::string told = "Les noms du programme n'ont pas pu être lus dans atelier.prg.json : « title » doit être un "
                           "texte.\n\nLe programme est montré sans noms ; ce fichier ne sera remplacé que si le "
                           "programme est sauvegardé avec des noms.\n";
  for (const CliRun* shown : {&plain, &plainJson}) {
    const CliRun damaged = run(std::string(shown == &plain ? "show " : "show --json ") + file);
    EXPECT_EQ(damaged.exitCode, 5);
    EXPECT_EQ(damaged.out, shown->out) << "shown without names";
    EXPECT_EQ(damaged.err, told);
  }
  EXPECT_EQ(readBytes(file + ".json"), "{\"title\": 1}") << "left as it is";

  std::filesystem::remove(file + ".json");
  EXPECT_EQ(run("show " + file).out, plain.out);
  EXPECT_EQ(run("show --json " + file).out, plainJson.out);
}

struct RefusedRow {
  const char* what;
  std::string bytes;
  std::string message;  // as the terminal shows it
};

class CliRefuses : public Cli, public testing::WithParamInterface<RefusedRow> {};

TEST_P(CliRefuses, WithExitCode3AndTheEditorsMessage) {
  const RefusedRow& row = GetParam();
  if (std::string(row.what) != "missing") writeBytes(dir / "prog", row.bytes);
  for (const char* json : {"", "--json "}) {
    const CliRun r = run(std::string("show ") + json + (dir / "prog").string());
    EXPECT_EQ(r.exitCode, 3) << row.what;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, row.message + "\n");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CliRefuses,
    testing::Values(RefusedRow{"missing", "", "Fichier introuvable\n\nprog"},
                    RefusedRow{"empty", "", "Ce fichier ne convient pas à cette application\n\nprog"},
                    RefusedRow{"short line", std::string(45, 'x') + "\r\n",
                               "Ce fichier ne convient pas à cette application\n\nprog"},
                    RefusedRow{"ten lines", [] {
                                 Program p;
                                 p.initialiserPages();
                                 p.construireImages();
                                 std::string f = serializeProgramFile(p.images);
                                 return f.substr(0, f.size() - 25);
                               }(),
                               "Ce fichier ne convient pas à cette application\n\nprog"}),
    [](const testing::TestParamInfo<RefusedRow>& row) { return "row" + std::to_string(row.index); });

struct DamagedRow {
  const char* what;
  int page;
  std::size_t position;  // in the page's image
  std::string bytes;
  std::string warning;
};

class CliDamaged : public Cli, public testing::WithParamInterface<DamagedRow> {};

// Shown as the editor opens it, with what was left out on stderr, and exit 5;
// eval runs it and says the same.
TEST_P(CliDamaged, IsShownWithItsWarningsAndExitCode5) {
  const DamagedRow& row = GetParam();
  Program program;
  program.initialiserPages();
  testing_support::makeExample(program);
  program.construireImages();
  program.images[row.page].replace(row.position - 1, row.bytes.size(), row.bytes);
  writeBytes(dir / "prog", serializeProgramFile(program.images));
  const std::string told = "Le fichier prog est endommagé ; ce qui n'a pas pu être lu a été laissé de côté :\n\n" +
                           row.warning + "\n";

  const CliRun text = run("show " + (dir / "prog").string());
  EXPECT_EQ(text.exitCode, 5) << row.what;
  EXPECT_EQ(text.err, told) << row.what;
  EXPECT_NE(text.out.find("SA4 : EL4=1"), std::string::npos) << row.what << ": the program is shown";

  const CliRun json = run("show --json " + (dir / "prog").string());
  EXPECT_EQ(json.exitCode, 5) << row.what;
  EXPECT_EQ(json.err, told) << row.what;
  EXPECT_NE(json.out.find("\n],\n\"warnings\": [\"" + row.warning + "\"]}\n"), std::string::npos) << json.out;

  const CliRun eval = run("eval " + (dir / "prog").string() + " SL4 EL4=1");
  EXPECT_EQ(eval.exitCode, 5) << row.what;
  EXPECT_EQ(eval.err, told) << row.what;
  EXPECT_EQ(eval.out, "active\n") << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CliDamaged,
    testing::Values(
        DamagedRow{"code", 1, 3, "\x0e", "SL1 : condition 2 illisible, la chaîne s'arrête à la condition 1"},
        DamagedRow{"link", 1, 2, "Y", "SL1 : lien 1 illisible, la chaîne s'arrête à la condition 1"},
        DamagedRow{"comparator", 1, comparatorPosition(2), " ", "SL1 : comparateur de EA2 illisible, remplacé par >"},
        DamagedRow{"digit", 1, logicPausePosition + 4, "-", "SL1 : pause illisible, remplacée par 0"},
        DamagedRow{"hold", 9, holdPosition, "0", "SA2 : maintien illisible, tension non maintenue"}),
    testing_support::RowIndexName());

// A program for the simulation: SL1 = EL1=1 OU EL2=1 ET EL3=1, SL2 = EA1 above
// 2000 mV, SL3 = EA2 below 2000 mV, SA1 = EL1=1 at 2500 mV held, SA2 = EL1=1 at
// 2500 mV not held, SA3 = EL1=1 ET EL2=1 OU EL3=1 at 1000 mV.
std::string simulationProgram(const testing_support::TempDir& dir) {
  Program program;
  program.initialiserPages();
  ProgramDocument& doc = program.document;
  auto chain = [&](int page, std::vector<std::string> tokens, std::vector<int> clicks) {
    doc.choix01_01Select(FieldId::slot(page, 1), tokens[0]);
    for (std::size_t i = 0; i < clicks.size(); ++i) {
      for (int c = 0; c < clicks[i]; ++c) doc.ou01_01Click(FieldId::link(page, int(i) + 1));
      doc.choix01_01Select(FieldId::slot(page, int(i) + 2), tokens[i + 1]);
    }
  };
  chain(1, {"EL1=1", "EL2=1", "EL3=1"}, {1, 2});
  chain(2, {"EA1"}, {});
  doc.setNumberText(FieldId::threshold(2, 1), "2000");
  chain(3, {"EA2"}, {});
  doc.setNumberText(FieldId::threshold(3, 2), "2000");
  doc.supinf01_01Click(FieldId::comparator(3, 2));
  for (int page : {8, 9}) {
    chain(page, {"EL1=1"}, {});
    doc.setNumberText(FieldId::voltage(page), "2500");
  }
  doc.zero1Click(FieldId::hold(8));
  chain(10, {"EL1=1", "EL2=1", "EL3=1"}, {2, 1});
  doc.setNumberText(FieldId::voltage(10), "1000");
  program.construireImages();
  const std::string path = (dir / "sim").string();
  writeBytes(path, serializeProgramFile(program.images));
  return path;
}

struct EvalRow {
  const char* args;  // after FILE
  const char* out;
};

class CliEval : public Cli, public testing::WithParamInterface<EvalRow> {};

TEST_P(CliEval, FollowsTheConditionSemantics) {
  const std::string file = simulationProgram(dir);
  const CliRun r = run("eval " + file + " " + GetParam().args);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, GetParam().out) << GetParam().args;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CliEval,
    testing::Values(EvalRow{"SL1", "inactive\n"},
                    EvalRow{"SL1 EL1=1 EL3=1 EL1=0 EL2=1,EL3=0", "inactive\nactive\ninactive\ninactive\n"},
                    EvalRow{"SL2 EA1=2001 EA1=2000 EA1=6000 EA1=0", "active\ninactive\nactive\ninactive\n"},
                    EvalRow{"SL3 EA2=1999 EA2=2000", "active\ninactive\n"},
                    EvalRow{"sl4 EL4=1", "active\n"},
                    EvalRow{"SA1 EL1=1 EL1=0", "2500\n2500\n"},
                    EvalRow{"SA1 EL1=0 EL1=1 EL1=0", "0\n2500\n2500\n"},
                    EvalRow{"SA2 EL1=1 EL1=0", "2500\n0\n"},
                    EvalRow{"SA3 EL3=1 EL3=0,EL1=1 EL2=1", "1000\n0\n1000\n"},
                    EvalRow{"SA4", "0\n"}),
    testing_support::RowIndexName());

TEST_F(Cli, EvalRefusesWhatItCannotRun) {
  const std::string file = simulationProgram(dir);
  for (const char* args : {"SL8", "SB1", "SL1 EL8=1", "SL1 EL1=2", "SL1 EA1=-5", "SL1 EA1=abc", "SL1 XX"}) {
    const CliRun r = run("eval " + file + " " + args);
    EXPECT_EQ(r.exitCode, 2) << args;
    EXPECT_EQ(r.out, "") << args;
  }
  EXPECT_EQ(run("eval " + (dir / "missing").string() + " SL1").exitCode, 3);
}

struct UsageRow {
  const char* args;
  const char* message;  // the first line, after "velkor-cli : "
};

class CliUsage : public Cli, public testing::WithParamInterface<UsageRow> {};

// Two lines: what is wrong, and where to read more; exit 2, nothing done.
TEST_P(CliUsage, SaysWhatIsWrongInTwoLines) {
  const CliRun r = run(GetParam().args);
  EXPECT_EQ(r.exitCode, 2) << GetParam().args;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, std::string("velkor-cli : ") + GetParam().message + "\nPour en savoir plus : velkor-cli --help\n");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CliUsage,
    testing::Values(UsageRow{"", "commande manquante"}, UsageRow{"frobnicate", "commande inconnue : frobnicate"},
                    UsageRow{"--frob", "option inconnue : --frob"}, UsageRow{"show", "show attend un seul FICHIER"},
                    UsageRow{"show a b", "show attend un seul FICHIER"},
                    UsageRow{"show --yaml x", "show : option inconnue : --yaml"},
                    UsageRow{"upload f.prg", "upload attend FICHIER --port PORT"},
                    UsageRow{"upload f.prg --port", "--port attend un PORT"},
                    UsageRow{"verify f.prg g.prg --port A", "verify attend FICHIER --port PORT"},
                    UsageRow{"download f.prg --port A --port B",
                             "download n'accepte qu'un seul --port : le fichier vient d'une carte"},
                    UsageRow{"ports extra", "ports : argument inattendu : extra"},
                    // Given twice, or empty: which one was meant is not for the command to guess.
                    UsageRow{"--version --version", "option donnée deux fois : --version"},
                    UsageRow{"show --json f.prg --json", "show : option donnée deux fois : --json"},
                    UsageRow{"upload f.prg --port A --port B --port A", "upload : port donné deux fois : A"},
                    UsageRow{"verify f.prg --port \"\"", "--port attend un PORT"},
                    UsageRow{"simulate f.prg s.csv --svg \"\"", "--svg attend un nom de fichier"},
                    UsageRow{"simulate f.prg s.csv --png=", "--png attend un nom de fichier"},
                    UsageRow{"simulate f.prg s.csv --svg a.svg --png b.png --svg=c.svg", "option donnée deux fois : --svg"},
                    UsageRow{"sheet f.prg", "sheet attend FICHIER --pdf SORTIE.pdf et/ou --html SORTIE.html"}),
    testing_support::RowIndexName());

TEST_F(Cli, HelpAndVersion) {
  const CliRun help = run("--help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("--json"), std::string::npos);
  EXPECT_NE(help.out.find("  5  fichier endommagé"), std::string::npos);
  EXPECT_NE(help.out.find("  6  une sortie n'a pas la valeur que son scénario attend (test)"), std::string::npos);
  EXPECT_NE(help.out.find("  7  sortie standard impossible à écrire"), std::string::npos);
  const CliRun version = run("--version");
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "velkor-cli " VELKOR_VERSION "\n");
}

}  // namespace
}  // namespace velkor
