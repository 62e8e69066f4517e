#include <gtest/gtest.h>

#include "cli_fixture.h"
#include "support/board_reference.h"
#include "support/programs.h"

namespace velkor {
namespace {

using testing_support::Cli;
using testing_support::CliRun;
using testing_support::readBytes;
using testing_support::writeBytes;

// Programs and scenarios made here, saved as files, run by the command and
// checked row by row against each output's own simulation.
TEST_F(Cli, SimulateGivesEachOutputsOwnSimulationOnEveryRow) {
  std::mt19937 rng(1616);
  for (int n = 0; n < 12; ++n) {
    Program program;
    program.initialiserPages();
    testing_support::randomEdits(program, rng, 150);
    const std::string file = save(program, "prog" + std::to_string(n));
    const auto rows = testing_support::randomRows(rng, program.document, 400);
    writeBytes(dir / "scenario.csv", scenarioText(rows));

    const CliRun r = run("simulate " + file + " " + (dir / "scenario.csv").string());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string expected = std::string(kOutputsHeader) + "\n";
    for (const std::string& line : testing_support::referenceRun(program.images, rows)) expected += line + "\n";
    ASSERT_EQ(r.out, expected) << "program " << n;
  }
}

TEST_F(Cli, SimulateRefusesABadScenarioWithItsLineAndABadFileAsShowDoes) {
  Program program;
  program.initialiserPages();
  const std::string file = save(program, "prog");
  const std::string scenario = (dir / "s.csv").string();
  writeBytes(scenario, std::string(kScenarioHeader) + "\n0,0,0,0,0,0,0,0,0,0,0,0\n10,1,0,0,0,0,0,0,6000,0,0,0\n");
  CliRun r = run("simulate " + file + " " + scenario);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "velkor-cli : " + scenario + ", ligne 3 : EA1 doit être un nombre de mV de 0 à 5100 : « 6000 »\n");

  // A refused file, and a damaged one (link 1 of SL1 unreadable): what show says.
  writeBytes(scenario, std::string(kScenarioHeader) + "\n0,1,0,0,0,0,0,0,0,0,0,0\n");
  writeBytes(dir / "short", std::string(45, 'x') + "\r\n");
  program.construireImages();
  program.images[1][1] = 'Y';
  writeBytes(dir / "damaged", serializeProgramFile(program.images));
  for (const char* name : {"short", "damaged"}) {
    const CliRun shown = run("show " + (dir / name).string());
    r = run("simulate " + (dir / name).string() + " " + scenario);
    EXPECT_EQ(r.exitCode, shown.exitCode) << name;
    EXPECT_EQ(r.err, shown.err) << name;
  }
  EXPECT_EQ(r.exitCode, 5);
  EXPECT_EQ(r.out, std::string(kOutputsHeader) + "\n0,1,0,0,0,0,0,0,0,0,0,0\n");  // the damaged file still runs

  for (const std::string& args : {"simulate " + file, "simulate " + file + " " + (dir / "none.csv").string(),
                                 "simulate " + file + " " + scenario + " --svg"})
    EXPECT_EQ(run(args).exitCode, 2) << args;
}

TEST_F(Cli, SimulateWritesTheChartOfTheRun) {
  Program program;
  program.initialiserPages();
  const std::string file = save(program, "prog");
  writeBytes(dir / "s.csv", std::string(kScenarioHeader) + "\n0,1,0,0,0,0,0,0,0,0,0,0\n500,0,0,0,0,0,0,0,0,0,0,0\n");
  const CliRun r = run("simulate " + file + " " + (dir / "s.csv").string() + " --svg " + (dir / "run.svg").string() +
                       " --png=" + (dir / "run.png").string());
  const std::string svg = readBytes(dir / "run.svg");
  EXPECT_TRUE(svg.starts_with("<?xml")) << svg.substr(0, 100);
  EXPECT_NE(svg.find(">SA4</text>"), std::string::npos);
#ifdef VELKOR_CLI_PNG
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(readBytes(dir / "run.png").starts_with("\x89PNG\r\n"));
#else
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("--png"), std::string::npos);
#endif
}

}  // namespace
}  // namespace velkor
