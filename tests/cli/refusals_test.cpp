// What velkor-cli (and the editor's command line) refuses with a message
// rather than a crash, a hang or unbounded memory: scenarios that are no
// plain file or too big, a lost standard output, ports that are no serial
// port, an unknown option without a display.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "cli_fixture.h"
#include "simulation/scenario.h"
#include "support/row_names.h"

namespace velkor {
namespace {

using testing_support::Cli;
using testing_support::CliRun;
using testing_support::readBytes;
using testing_support::writeBytes;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
constexpr bool kSanitized = __has_feature(address_sanitizer);
#else
constexpr bool kSanitized = false;
#endif

// Under a time limit, and a memory limit too unless a sanitizer reserves
// its own address space: a reader that hangs or grows fails instead of
// holding the suite.
std::string bounded(const std::string& command) {
  return std::string("timeout 30 ") + (kSanitized ? "" : "prlimit --as=268435456 -- ") + command;
}

struct RefusalsTest : Cli {
  std::string program;
  void SetUp() override {
    Program p;
    p.initialiserPages();
    program = save(p, "prog");
  }
  // `tail` holds the redirections of the standard output.
  CliRun runWith(const std::string& args, const std::string& tail) {
    const std::string err = (dir / "err").string();
    const int status = std::system((bounded(std::string(VELKOR_CLI) + " " + args) + " " + tail + " 2>" + err).c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, "", readBytes(err)};
  }
};

struct BadScenarioFile {
  const char* what;
  std::string (*make)(const std::filesystem::path& dir);  // the scenario's path
  std::string reason;
};

class ScenarioRefused : public RefusalsTest, public testing::WithParamInterface<BadScenarioFile> {};

// Told at once, in two lines, without reading what never ends.
TEST_P(ScenarioRefused, AtOnceWithItsReason) {
  const std::string scenario = GetParam().make(dir.path());
  const CliRun r = runWith("simulate " + program + " " + scenario, ">" + (dir / "out").string());
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "velkor-cli : impossible de lire le scénario " + scenario + " : " + GetParam().reason +
                       "\nPour en savoir plus : velkor-cli --help\n");
  EXPECT_EQ(readBytes(dir / "out"), "");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ScenarioRefused,
    testing::Values(BadScenarioFile{"folder",
                                [](const std::filesystem::path& d) {
                                  std::filesystem::create_directory(d / "dossier.csv");
                                  return (d / "dossier.csv").string();
                                },
                                "c'est un dossier"},
                    BadScenarioFile{"fifo without writer",
                                [](const std::filesystem::path& d) {
                                  ::mkfifo((d / "tube.csv").c_str(), 0600);
                                  return (d / "tube.csv").string();
                                },
                                "ce n'est pas un fichier ordinaire"},
                    BadScenarioFile{"endless device", [](const std::filesystem::path&) { return std::string("/dev/zero"); },
                                "ce n'est pas un fichier ordinaire"},
                    // Sparse: 200 MB that take no room on the disk.
                    BadScenarioFile{"200 MB line",
                                [](const std::filesystem::path& d) {
                                  writeBytes(d / "long.csv", std::string(kScenarioHeader) + "\n0,0,0,0,0,0,0,0,0,0,0,");
                                  std::filesystem::resize_file(d / "long.csv", 200u << 20);
                                  return (d / "long.csv").string();
                                },
                                "plus de 16 Mo, trop pour un scénario"}),
    testing_support::RowIndexName());

// A line longer than any row is quoted by its start, not whole.
TEST_F(RefusalsTest, ALongLineIsQuotedByItsStart) {
  writeBytes(dir / "s.csv", std::string(kScenarioHeader) + "\n0,0,0,0,0,0,0,0,0,0,0," + std::string(10u << 20, '9'));
  const CliRun r = runWith("simulate " + program + " " + (dir / "s.csv").string(), ">/dev/null");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "velkor-cli : " + (dir / "s.csv").string() +
                       ", ligne 2 : ligne trop longue (plus de 256 octets) : « 0,0,0,0,0,0,0,0,0,0,0,99… »\n");
}

struct OutputRow {
  const char* what;
  std::string args;  // after "velkor-cli"; PROG and SCENARIO stand for the files
  std::string redirection;
  int exitCode;
  std::string err;
};

class LostOutput : public RefusalsTest, public testing::WithParamInterface<OutputRow> {};

TEST_P(LostOutput, IsAnErrorOfItsOwn) {
  writeBytes(dir / "s.csv", std::string(kScenarioHeader) + "\n0,1,0,0,0,0,0,0,0,0,0,0\n");
  std::string args = GetParam().args;
  for (const auto& [name, path] : {std::pair{"PROG", program}, {"SCENARIO", (dir / "s.csv").string()},
                                   {"PORT", (dir / "nowhere").string()}})
    for (auto at = args.find(name); at != std::string::npos; at = args.find(name, at + path.size()))
      args.replace(at, std::string(name).size(), path);
  const CliRun r = runWith(args, GetParam().redirection);
  EXPECT_EQ(r.exitCode, GetParam().exitCode);
  EXPECT_NE(r.err.find(GetParam().err), std::string::npos) << r.err;
}

const std::string kClosed = "velkor-cli : impossible d'écrire sur la sortie standard : elle est fermée\n";
const std::string kFull = "velkor-cli : impossible d'écrire sur la sortie standard : disque plein\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, LostOutput,
    testing::Values(OutputRow{"show closed", "show PROG", ">&-", 7, kClosed},
                    OutputRow{"show full", "show --json PROG", ">/dev/full", 7, kFull},
                    OutputRow{"eval full", "eval PROG SL1 EL1=1", ">/dev/full", 7, kFull},
                    OutputRow{"simulate closed", "simulate PROG SCENARIO", ">&-", 7, kClosed},
                    OutputRow{"test full", "test PROG SCENARIO", ">/dev/full", 7, kFull},
                    OutputRow{"diff closed", "diff PROG PROG", ">&-", 7, kClosed},
                    OutputRow{"help full", "--help", ">/dev/full", 7, kFull},
                    OutputRow{"version closed", "--version", ">&-", 7, kClosed},
                    // Nothing to write: a closed output is no fault, the port is.
                    OutputRow{"download closed", "download PROG --port PORT", ">&-", 4,
                              "nowhere : fichier ou périphérique introuvable"}),
    testing_support::RowIndexName());

// Where SIGPIPE is ignored, the write fails instead: told too. The output
// is longer than a pipe holds, so the writer meets the closed end.
TEST_F(RefusalsTest, AReaderThatStopsIsTold) {
  std::string scenario = std::string(kScenarioHeader) + "\n";
  for (int t = 0; t < 10'000; ++t) scenario += std::to_string(t) + ",1,0,0,0,0,0,0,0,0,0,0\n";
  writeBytes(dir / "s.csv", scenario);
  const std::string command = "{ trap '' PIPE; " + std::string(VELKOR_CLI) + " simulate " + program + " " +
                              (dir / "s.csv").string() + " 2>" + (dir / "err").string() + "; echo $? >" +
                              (dir / "code").string() + "; } | head -c 1 >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(readBytes(dir / "code"), "7\n");
  EXPECT_EQ(readBytes(dir / "err"),
            "velkor-cli : impossible d'écrire sur la sortie standard : le programme qui la lisait s'est arrêté\n");
}

struct PortRow {
  const char* what;
  std::string (*make)(const std::filesystem::path& dir);  // the port's path
  std::string reason;
};

class NoSerialPort : public RefusalsTest, public testing::WithParamInterface<PortRow> {};

// The system's reason, in French: neither its English words nor a vague
// "erreur d'entrée-sortie".
TEST_P(NoSerialPort, IsToldWhatItIs) {
  const std::string port = GetParam().make(dir.path());
  const CliRun r = run("verify " + program + " --port " + port);
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_NE(r.err.find(port + " : " + GetParam().reason + "\n"), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NoSerialPort,
    testing::Values(PortRow{"folder",
                            [](const std::filesystem::path& d) {
                              std::filesystem::create_directory(d / "dossier");
                              return (d / "dossier").string();
                            },
                            "c'est un dossier"},
                    PortRow{"link loop",
                            [](const std::filesystem::path& d) {
                              std::filesystem::create_symlink(d / "b", d / "a");
                              std::filesystem::create_symlink(d / "a", d / "b");
                              return (d / "a").string();
                            },
                            "liens symboliques en boucle ou trop nombreux"},
                    PortRow{"plain file",
                            [](const std::filesystem::path& d) {
                              writeBytes(d / "fichier", "");
                              return (d / "fichier").string();
                            },
                            "ce n'est pas un port série"}),
    testing_support::RowIndexName());

#ifdef VELKOR_EDITOR
// Told before any display is needed: without one, the editor used to abort.
TEST_F(Cli, TheEditorRefusesAnUnknownOptionWithoutADisplay) {
  const std::string err = (dir / "err").string();
  const int status = std::system(
      ("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + bounded(VELKOR_EDITOR " --frob") + " 2>" + err).c_str());
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2);
  EXPECT_TRUE(readBytes(err).starts_with("velkor : option inconnue : --frob\nUsage : velkor [FICHIER]\n")) << readBytes(err);
}
#endif

}  // namespace
}  // namespace velkor
