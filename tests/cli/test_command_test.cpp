// velkor-cli test, diff and simulate --expect, as a user runs them.
#include <gtest/gtest.h>

#include <functional>

#include "cli_fixture.h"
#include "support/board_reference.h"
#include "support/programs.h"
#include "support/row_names.h"

namespace velkor {
namespace {

using testing_support::Cli;
using testing_support::CliRun;
using testing_support::readBytes;
using testing_support::writeBytes;

const std::string kHeader(kScenarioHeader);

// The rich program (SL1: EL1 ET EA2 > 250 mV, SL2: EA3 > 4321 mV, SA2: EL2
// OU EL1, 2500 mV held) and what it gives, worked out by hand.
struct RichProgram : Cli {
  std::string program, good, flipped;
  void SetUp() override {
    Program p;
    testing_support::makeRichProgram(p);
    program = save(p, "rich.prg");
    const std::string rows = "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0\n"
                             "1000,1,0,0,0,0,0,0,0,300,0,0,1,2500,\n"
                             "\n"
                             "2000,0,0,0,0,0,0,0,0,0,5000,0,0,2500,";
    good = (dir / "essai.csv").string();
    flipped = (dir / "flip.csv").string();
    writeBytes(good, kHeader + ",SL1,SA2,SL2\n" + rows + "1\n");
    writeBytes(flipped, kHeader + ",SL1,SA2,SL2\n" + rows + "0\n");
  }
};

TEST_F(RichProgram, TestTellsEachFailedExpectationByLineAndSumsUp) {
  CliRun r = run("test " + program + " " + good);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "1 scénario, 8 attentes, 0 échec\n");
  EXPECT_EQ(r.err, "");

  r = run("test " + program + " " + good + " " + flipped);
  EXPECT_EQ(r.exitCode, 6) << r.err;
  EXPECT_EQ(r.out, flipped + ":5 (t = 2000 ms) : SL2 attendu 0, obtenu 1\n2 scénarios, 16 attentes, 1 échec\n");

  // A refused scenario stops nothing else, and decides the code.
  const std::string bad = (dir / "bad.csv").string();
  writeBytes(bad, kHeader + ",SL9\n");
  r = run("test " + program + " " + flipped + " " + bad);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, flipped + ":5 (t = 2000 ms) : SL2 attendu 0, obtenu 1\n"
                   "1 scénario, 8 attentes, 1 échec, 1 scénario refusé\n");
  EXPECT_EQ(r.err, "velkor-cli : " + bad +
                       ", ligne 1 : colonne inconnue : « SL9 » ; après EA4 viennent au choix SL1 à SL7, SA1 à SA4\n");

  // A scenario that expects nothing passes, but is told.
  const std::string inputsOnly = (dir / "inputs.csv").string();
  writeBytes(inputsOnly, kHeader + "\n0,1,0,0,0,0,0,0,0,0,0,0\n");
  r = run("test " + program + " " + inputsOnly);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "1 scénario, 0 attente, 0 échec\n");
  EXPECT_EQ(r.err, "velkor-cli : " + inputsOnly + " n'attend rien : aucune valeur dans des colonnes SL1 à SA4\n");

  // The program file as the other commands take it: refused, damaged.
  writeBytes(dir / "short.prg", std::string(45, 'x') + "\r\n");
  EXPECT_EQ(run("test " + (dir / "short.prg").string() + " " + good).exitCode, 3);
  std::string damaged = readBytes(program);
  damaged[1] = 'Y';  // link 1 of SL1: its chain ends at EL1, which the scenario still satisfies
  writeBytes(dir / "damaged.prg", damaged);
  r = run("test " + (dir / "damaged.prg").string() + " " + good);
  EXPECT_EQ(r.exitCode, 5);
  EXPECT_NE(r.err.find("SL1 : lien 1 illisible"), std::string::npos) << r.err;

  for (const std::string& args : {"test " + program, "test " + program + " " + good + " --junit",
                                 "test " + program + " " + good + " --json"})
    EXPECT_EQ(run(args).exitCode, 2) << args;
}

#ifndef _WIN32
// xmllint: the report against the JUnit shape, and its counts against its elements.
std::string xmllint(const std::string& args) {
  FILE* pipe = popen(("xmllint " + args + " 2>&1").c_str(), "r");
  std::string out;
  char buffer[256];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  pclose(pipe);
  return out;
}

TEST_F(RichProgram, JunitHasASuitePerScenarioACasePerCheckingRowAndAFailureForEachRowThatFailed) {
  const std::string bad = (dir / "bad&<é>.csv").string();
  writeBytes(bad, kHeader + "\n0,2,0,0,0,0,0,0,0,0,0,0\n");
  const std::string xml = (dir / "out.xml").string();
  const CliRun r = run("test " + program + " " + good + " '" + bad + "' " + flipped + " --junit=" + xml);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(xmllint("--noout --schema " VELKOR_JUNIT_XSD " " + xml), xml + " validates\n");
  const auto value = [&](const std::string& xpath) {
    std::string text = xmllint("--xpath '" + xpath + "' " + xml);
    if (text.ends_with('\n')) text.pop_back();  // some versions add one
    return text;
  };
  EXPECT_EQ(value("string(/testsuites/@name)"), "rich.prg");
  EXPECT_EQ(value("concat(/testsuites/@tests, \" \", /testsuites/@failures, \" \", /testsuites/@errors)"), "7 1 1");
  EXPECT_EQ(value("count(//testsuite)"), "3");
  EXPECT_EQ(value("count(//testcase)"), "7");
  EXPECT_EQ(value("count(//testsuite[@tests != count(testcase) or @failures != count(testcase/failure) or "
                  "@errors != count(testcase/error)])"),
            "0");
  EXPECT_EQ(value("string(//testsuite[2]/@name)"), bad);
  EXPECT_EQ(value("string(//testsuite[2]//error/@message)"), bad + ", ligne 2 : EL1 doit valoir 0 ou 1 : « 2 »");
  EXPECT_EQ(value("string(//testsuite[3]/testcase[3]/@name)"), "ligne 5 (t = 2000 ms)");
  EXPECT_EQ(value("string(//failure/@message)"), "SL2 attendu 0, obtenu 1");

  // A report that cannot be written is told, and fails a passing run.
  const CliRun lost = run("test " + program + " " + good + " --junit " + (dir / "none" / "out.xml").string());
  EXPECT_EQ(lost.exitCode, 1);
  EXPECT_NE(lost.err.find("impossible d'écrire " + (dir / "none" / "out.xml").string()), std::string::npos);
}
#endif

// What simulate --expect records is what test finds again, for programs and
// scenarios made at random; simulate itself ignores the expectations.
TEST_F(Cli, AScenarioRecordedWithItsOutputsPassesAndFailsOnceTheProgramChanges) {
  std::mt19937 rng(2626);
  int failed = 0;
  for (int n = 0; n < 6; ++n) {
    Program program;
    program.initialiserPages();
    testing_support::randomEdits(program, rng, 150);
    const std::string file = save(program, "prog.prg");
    writeBytes(dir / "s.csv", scenarioText(testing_support::randomRows(rng, program.document, 200)));
    const std::string scenario = (dir / "s.csv").string(), recorded = (dir / "recorded.csv").string();

    const CliRun plain = run("simulate " + file + " " + scenario + " --expect " + recorded);
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(run("simulate " + file + " " + recorded).out, plain.out);
    CliRun r = run("test " + file + " " + recorded);
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.out, "1 scénario, 2200 attentes, 0 échec\n");

    testing_support::randomEdits(program, rng, 30);
    save(program, "prog.prg");
    const CliRun changed = run("simulate " + file + " " + scenario);
    r = run("test " + file + " " + recorded);
    EXPECT_EQ(r.exitCode, changed.out == plain.out ? 0 : 6) << r.out;
    failed += r.exitCode == 6;
  }
  EXPECT_GE(failed, 3);  // the changes showed, most of the time
}

struct DiffRow {
  const char* what;
  std::function<void(ProgramDocument&)> change;  // to b.prg
  std::string lines;
};

class Diff : public Cli, public testing::WithParamInterface<DiffRow> {};

TEST_P(Diff, NamesEachChangedFieldWithBothValues) {
  Program a, b;
  for (Program* p : {&a, &b}) {
    p->initialiserPages();
    testing_support::makeExample(*p);
  }
  GetParam().change(b.document);
  const CliRun r = run("diff " + save(a, "a.prg") + " " + save(b, "b.prg"));
  EXPECT_EQ(r.out, GetParam().lines.empty() ? "Les deux fichiers contiennent le même programme.\n" : GetParam().lines);
  EXPECT_EQ(r.exitCode, GetParam().lines.empty() ? 0 : 1);
  EXPECT_EQ(r.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Diff,
    testing::Values(
        DiffRow{"identical", [](ProgramDocument&) {}, ""},
        DiffRow{"condition", [](ProgramDocument& d) { d.choix01_01Select(FieldId::slot(3, 1), "EL6=1"); },
                "SL3 : conditions — a.prg EL3=1, b.prg EL6=1\n"},
        DiffRow{"link", [](ProgramDocument& d) { d.ou01_01Click(FieldId::link(1, 1)); },
                "SL1 : conditions — a.prg EL1=1 ET EA2, b.prg EL1=1\n"
                "SL1 : seuil EA2 — a.prg > 250 mV, b.prg non utilisé\n"},
        DiffRow{"comparator", [](ProgramDocument& d) { d.supinf01_01Click(FieldId::comparator(1, 2)); },
                "SL1 : seuil EA2 — a.prg > 250 mV, b.prg < 250 mV\n"},
        DiffRow{"threshold", [](ProgramDocument& d) { d.setNumberText(FieldId::threshold(1, 2), "375"); },
                "SL1 : seuil EA2 — a.prg > 250 mV, b.prg > 375 mV\n"},
        DiffRow{"pause", [](ProgramDocument& d) { d.setNumberText(FieldId::pause(5), "20"); },
                "SL5 : pause — a.prg 0 mS, b.prg 20 mS\n"},
        DiffRow{"voltage", [](ProgramDocument& d) { d.setNumberText(FieldId::voltage(10), "4000"); },
                "SA3 : tension — a.prg 0 mV, b.prg 4000 mV\n"},
        DiffRow{"hold", [](ProgramDocument& d) { d.zero1Click(FieldId::hold(11)); },
                "SA4 : maintien — a.prg non maintenue, b.prg maintenue\n"}),
    testing_support::RowIndexName());

// Compared as the files hold them: a field no chain reads differs too.
TEST_F(Cli, DiffSeesWhatNoFieldShows) {
  Program a;
  a.initialiserPages();
  testing_support::makeExample(a);
  const std::string first = save(a, "a.prg");
  a.images[1].replace(thresholdPosition(4) - 1, 4, "4000");  // EA4 on SL1, whose chain names EA2
  writeBytes(dir / "b.prg", serializeProgramFile(a.images));
  const CliRun r = run("diff " + first + " " + (dir / "b.prg").string());
  EXPECT_EQ(r.out, "SL1 : champs non utilisés différents, sans effet sur la sortie\n");
  EXPECT_EQ(r.exitCode, 1) << r.err;
}

TEST_F(Cli, DiffAsJsonAndByPathWhenTheNamesAreAlike) {
  Program a, b;
  for (Program* p : {&a, &b}) {
    p->initialiserPages();
    testing_support::makeExample(*p);
  }
  b.document.setNumberText(FieldId::voltage(8), "2500");
  const std::string first = save(a, "x.prg");
  std::filesystem::create_directory(dir / "old");
  const std::string second = save(b, "old/x.prg");
  CliRun r = run("diff " + first + " " + second);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "SA1 : tension — " + first + " 0 mV, " + second + " 2500 mV\n");
  r = run("diff --json " + first + " " + second);
  EXPECT_EQ(r.exitCode, 1);
  // JSON doubles the backslashes of Windows paths.
  const auto quoted = [](const std::string& path) {
    std::string out;
    for (char c : path) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return out;
  };
  EXPECT_EQ(r.out, "{\"differences\": [\n"
                   "  {\"output\": \"SA1\", \"field\": \"tension\", \"a\": \"0 mV\", \"b\": \"2500 mV\"}\n],\n"
                   "\"a\": \"" + quoted(first) + "\",\n\"b\": \"" + quoted(second) + "\",\n\"identical\": false}\n");
  writeBytes(dir / "short.prg", std::string(45, 'x') + "\r\n");
  EXPECT_EQ(run("diff " + first + " " + (dir / "short.prg").string()).exitCode, 3);
  EXPECT_EQ(run("diff " + first).exitCode, 2);
}

}  // namespace
}  // namespace velkor
