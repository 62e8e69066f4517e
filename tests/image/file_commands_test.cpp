#include <gtest/gtest.h>

#include "support/row_names.h"

#include <optional>

#include "image/file_commands.h"
#include "image/messages.h"
#include "image/names_file.h"
#include "support/fake_dialogs.h"
#include "support/programs.h"
#include "support/temp_dir.h"

namespace velkor {
namespace {

using testing_support::FakeDialogs;
using testing_support::pageContents;
using testing_support::readBytes;
using testing_support::TempDir;
using testing_support::writeBytes;

struct Commands : testing::Test {
  TempDir dir;
  Program program;
  FakeDialogs dialogs;
  void SetUp() override { program.initialiserPages(); }
};

TEST_F(Commands, SaveThenOpenGivesBackThePages) {
  testing_support::makeExample(program);
  dialogs.saveChoice = dir / "prog.vlk";
  ASSERT_TRUE(sauvegarderProgramme(program, dialogs));
  EXPECT_FALSE(program.document.ProgramModified);
  EXPECT_EQ(dialogs.beeps, 0);

  Program other;
  other.initialiserPages();
  dialogs.openChoice = dir / "prog.vlk";
  auto reaction = ouvrirProgramme(other, dialogs);
  ASSERT_TRUE(reaction.has_value());
  EXPECT_EQ(reaction->reaction.focus, FieldId::slot(1, 1));
  EXPECT_EQ(reaction->file, dir / "prog.vlk");
  for (int p = 1; p <= kPageCount; ++p)
    EXPECT_EQ(pageContents(other.document, p), pageContents(program.document, p)) << p;
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Commands, CancelledSaveStillRebuildsImages) {
  program.document.choix01_01Select(FieldId::slot(3, 1), "EA1");
  program.images[3].clear();
  EXPECT_FALSE(sauvegarderProgramme(program, dialogs));
  EXPECT_EQ(program.images[3][0], '\x08');
  EXPECT_TRUE(program.document.ProgramModified);
}

TEST_F(Commands, OverwriteAsksWithTheNameAloneAndNoKeepsTheFile) {
  writeBytes(dir / "existing", "keep me");
  program.document.zero1Click(FieldId::hold(8));
  dialogs.saveChoice = dir / "existing";
  dialogs.answers = {false};
  EXPECT_FALSE(sauvegarderProgramme(program, dialogs));
  EXPECT_EQ(dialogs.beeps, 1);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0], "Confirmation|Voulez-vous écraser le fichier existing existant?");
  EXPECT_EQ(readBytes(dir / "existing"), "keep me");
  EXPECT_TRUE(program.document.ProgramModified);

  dialogs.answers = {true};
  EXPECT_TRUE(sauvegarderProgramme(program, dialogs));
  EXPECT_EQ(readBytes(dir / "existing").size(), 436u);
  EXPECT_FALSE(program.document.ProgramModified);
}

TEST_F(Commands, FailedSaveIsReportedAndKeepsTheFlag) {
  program.document.zero1Click(FieldId::hold(8));
  dialogs.saveChoice = dir / "no-such-folder" / "prog";
  EXPECT_FALSE(sauvegarderProgramme(program, dialogs));
  EXPECT_EQ(dialogs.errors, 1);
  EXPECT_TRUE(program.document.ProgramModified);
}

// A name typed without extension gets ".prg" under the programs' filter
// only; the overwrite question names the file that would be replaced.
struct ChosenNameRow {
  const char* what;
  const char* typed;
  FileFilter filter;
  const char* written;
};

class ChosenNames : public Commands, public testing::WithParamInterface<ChosenNameRow> {};

TEST_P(ChosenNames, GetTheProgramsExtensionUnderTheirFilterOnly) {
  dialogs.saveChoice = dir / GetParam().typed;
  dialogs.saveFilter = GetParam().filter;
  ASSERT_EQ(sauvegarderProgramme(program, dialogs), dir / GetParam().written);
  EXPECT_EQ(readBytes(dir / GetParam().written), serializeProgramFile(program.images));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  dialogs.answers = {false};
  EXPECT_FALSE(sauvegarderProgramme(program, dialogs));
  EXPECT_EQ(dialogs.shown.back(),
            std::string("Confirmation|Voulez-vous écraser le fichier ") + GetParam().written + " existant?");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ChosenNames,
    testing::Values(ChosenNameRow{"no extension, programs", "atelier", FileFilter::Programs, "atelier.prg"},
                    ChosenNameRow{"no extension, all files", "atelier", FileFilter::All, "atelier"},
                    ChosenNameRow{"another extension, programs", "atelier.txt", FileFilter::Programs, "atelier.txt"},
                    ChosenNameRow{"prg, programs", "atelier.prg", FileFilter::Programs, "atelier.prg"},
                    ChosenNameRow{"prg, all files", "atelier.prg", FileFilter::All, "atelier.prg"}),
    testing_support::RowIndexName());

// Enregistrer asks nothing: a file it cannot write is reported, and the
// changes stay unsaved.
TEST_F(Commands, EnregistrerThatFailsIsReportedAndKeepsTheFlag) {
  program.document.zero1Click(FieldId::hold(8));
  EXPECT_FALSE(enregistrerProgramme(program, dialogs, dir / "no-such-folder" / "atelier.prg"));
  EXPECT_EQ(dialogs.errors, 1);
  EXPECT_TRUE(program.document.ProgramModified);
}

TEST_F(Commands, OpenAsksWhileModifiedAndCancelKeepsEverything) {
  program.document.ou01_01Click(FieldId::link(2, 1));
  const std::string before = pageContents(program.document, 2);
  dialogs.answers = {false};
  dialogs.openChoice = dir / "whatever";
  EXPECT_FALSE(ouvrirProgramme(program, dialogs).has_value());
  EXPECT_EQ(dialogs.shown.at(0), "Attention...|Vous allez perdre les modifications. Continuer ?");
  EXPECT_EQ(dialogs.beeps, 1);
  EXPECT_EQ(pageContents(program.document, 2), before);
  EXPECT_TRUE(program.document.ProgramModified);
}

struct BadFileRow {
  const char* what;
  std::string bytes;  // empty name: the file does not exist
  std::string message;
};

class OpenBadFile : public Commands, public testing::WithParamInterface<BadFileRow> {};

TEST_P(OpenBadFile, BeepsShowsTheMessageAndLeavesThePagesReset) {
  const BadFileRow& row = GetParam();
  testing_support::makeExample(program);
  program.document.ProgramModified = false;
  if (row.what != std::string("missing")) writeBytes(dir / "bad", row.bytes);
  dialogs.openChoice = dir / "bad";
  auto reaction = ouvrirProgramme(program, dialogs);
  ASSERT_TRUE(reaction.has_value());
  EXPECT_EQ(dialogs.beeps, 1);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0], row.message);
  Program reset;
  reset.initialiserPages();
  for (int p = 1; p <= kPageCount; ++p)
    EXPECT_EQ(pageContents(program.document, p), pageContents(reset.document, p)) << p;
  EXPECT_FALSE(program.document.ProgramModified);
}

INSTANTIATE_TEST_SUITE_P(Rows, OpenBadFile,
                         testing::Values(BadFileRow{"missing", "", msg::aboutFile(msg::kMissingFile, "bad")},
                                         BadFileRow{"empty", "", msg::aboutFile(msg::kUnsuitableFile, "bad")},
                                         BadFileRow{"text", "hello\r\nworld\r\n",
                                                    msg::aboutFile(msg::kUnsuitableFile, "bad")}),
                         testing_support::RowIndexName());

struct NamesRow {
  const char* what;
  std::optional<std::string> namesFile;  // beside the program; none: absent
  std::string title;                     // the program's title once opened
  std::string message;                   // what opening says about the names
  std::optional<std::string> saved;      // the names file once the program is saved unchanged
  std::string renamed;                   // and once the title "Neuf" is saved
};

class NamesBesideTheProgram : public Commands, public testing::WithParamInterface<NamesRow> {};

// Opened with the program, written back with it by the names file's rules:
// one that could not be read is told, then left as it is until names are
// saved over it; "Sauvegarder" takes them to the new name.
TEST_P(NamesBesideTheProgram, AreOpenedAndSavedWithIt) {
  const NamesRow& row = GetParam();
  testing_support::makeExample(program);
  program.construireImages();
  const auto prg = dir / "prog.prg", names = dir / "prog.prg.json";
  ASSERT_TRUE(writeProgramFile(prg, program.images).ok);
  if (row.namesFile) writeBytes(names, *row.namesFile);
  program.document.names.title = "d'avant";

  const OpenOutcome opened = ouvrirFichier(program, dialogs, prg, [&](const OpenOutcome&) {
    EXPECT_TRUE(dialogs.shown.empty()) << "the pages show the program first";
  });
  EXPECT_EQ(program.document.names.title, row.title);
  EXPECT_EQ(dialogs.shown, row.message.empty() ? std::vector<std::string>{} : std::vector{row.message});
  EXPECT_EQ(dialogs.beeps, row.message.empty() ? 0 : 1);
  EXPECT_EQ(opened.namesProblem.empty(), row.message.empty());

  ASSERT_TRUE(enregistrerProgramme(program, dialogs, prg));
  if (row.saved) EXPECT_EQ(readBytes(names), *row.saved);
  else EXPECT_FALSE(std::filesystem::exists(names)) << "no names, no names file";

  program.document.names.title = "Neuf";
  ASSERT_TRUE(enregistrerProgramme(program, dialogs, prg));
  EXPECT_EQ(readBytes(names), row.renamed);
  dialogs.saveChoice = dir / "copie.prg";
  ASSERT_TRUE(sauvegarderProgramme(program, dialogs, prg));
  EXPECT_EQ(readBytes(dir / "copie.prg.json"), row.renamed);
  Program copy;
  ouvrirFichier(copy, dialogs, dir / "copie.prg");
  EXPECT_EQ(copy.document.names, program.document.names);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NamesBesideTheProgram,
    testing::Values(NamesRow{"absent", std::nullopt, "", "", std::nullopt, "{\n  \"title\": \"Neuf\"\n}\n"},
                    NamesRow{"read", R"({"title": "Serre", "x": [1]})", "Serre", "",
                             "{\n  \"title\": \"Serre\",\n  \"x\": [1]\n}\n",
                             "{\n  \"title\": \"Neuf\",\n  \"x\": [1]\n}\n"},
                    NamesRow{"damaged", R"({"title": 1})", "",
                             msg::damagedNamesFile("prog.prg.json", "« title » doit être un texte"),
                             R"({"title": 1})", "{\n  \"title\": \"Neuf\"\n}\n"}),
    testing_support::RowIndexName());

// Names that cannot be written fail the save as a whole: the flag stays.
TEST_F(Commands, NamesThatCannotBeWrittenFailTheSave) {
  program.document.names.title = "Serre";
  program.document.ProgramModified = true;
  std::filesystem::create_directory(dir / "prog.prg.json");
  EXPECT_FALSE(enregistrerProgramme(program, dialogs, dir / "prog.prg"));
  EXPECT_EQ(dialogs.errors, 1);
  EXPECT_NE(dialogs.shown.back().find("Impossible d'enregistrer le fichier prog.prg.json"), std::string::npos);
  EXPECT_TRUE(program.document.ProgramModified);
}

}  // namespace
}  // namespace velkor
