#include "image/names_file.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>

#include <cerrno>
#endif

#include "support/row_names.h"
#include "support/temp_dir.h"

namespace velkor {
namespace {

using testing_support::readBytes;
using testing_support::TempDir;
using testing_support::writeBytes;

struct RoundTripRow {
  const char* what;
  std::string file;
  std::string written;  // what saving the names read gives
};

class NamesRoundTrip : public testing::TestWithParam<RoundTripRow> {};

TEST_P(NamesRoundTrip, KeepsWhatItDoesNotUseInItsOrder) {
  const RoundTripRow& row = GetParam();
  const NamesRead read = parseProgramNames(row.file);
  ASSERT_EQ(read.status, NamesRead::Status::Ok) << read.problem;
  EXPECT_EQ(programNamesText(read.names), row.written);
  EXPECT_EQ(parseProgramNames(row.written).names, read.names);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NamesRoundTrip,
    testing::Values(
        RoundTripRow{"as written",
                     "{\n  \"title\": \"Serre nord\",\n  \"comment\": \"deux\\nlignes\",\n  \"signals\": {\n"
                     "    \"EL1\": {\"name\": \"Bouton marche\", \"comment\": \"armoire, porte gauche\"},\n"
                     "    \"SA4\": {\"name\": \"Vanne « 2 »\"}\n  }\n}\n",
                     "{\n  \"title\": \"Serre nord\",\n  \"comment\": \"deux\\nlignes\",\n  \"signals\": {\n"
                     "    \"EL1\": {\"name\": \"Bouton marche\", \"comment\": \"armoire, porte gauche\"},\n"
                     "    \"SA4\": {\"name\": \"Vanne « 2 »\"}\n  }\n}\n"},
        RoundTripRow{"unknown members at every level",
                     R"({"v": 1, "signals": {"SL3": {"x": {"b": [1, null]}, "name": "Pompe"}, "ZZ9": 2,)"
                     R"( "EL1": {"name": "B"}, "el2": "x"}, "title": "T", "w": [true]})",
                     "{\n  \"title\": \"T\",\n  \"signals\": {\n    \"EL1\": {\"name\": \"B\"},\n"
                     "    \"SL3\": {\"name\": \"Pompe\", \"x\": {\"b\":[1,null]}},\n    \"ZZ9\": 2,\n"
                     "    \"el2\": \"x\"\n  },\n  \"v\": 1,\n  \"w\": [true]\n}\n"},
        RoundTripRow{"empty texts and notes", R"({"title": "", "signals": {"EL2": {}, "EA1": {"name": ""}}})",
                     "{}\n"},
        RoundTripRow{"byte order mark", "\xEF\xBB\xBF{\"title\": \"\\u00e9t\\u00e9\"}",
                     "{\n  \"title\": \"été\"\n}\n"}),
    testing_support::RowIndexName());

struct DamagedRow {
  const char* what;
  std::string file;
  std::string problem;
};

class NamesDamaged : public testing::TestWithParam<DamagedRow> {};

TEST_P(NamesDamaged, IsRefusedSayingWhatIsWrong) {
  const NamesRead read = parseProgramNames(GetParam().file);
  EXPECT_EQ(read.status, NamesRead::Status::Damaged);
  EXPECT_EQ(read.problem, GetParam().problem);
  EXPECT_EQ(read.names, ProgramNames{});
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NamesDamaged,
    testing::Values(
        DamagedRow{"empty", "", "le fichier est vide"},
        DamagedRow{"not UTF-8", "{\n\"title\": \"caf\xE9\"}", "ligne 2, colonne 14 : ce n'est pas du texte UTF-8"},
        DamagedRow{"not JSON", "{\"title\": \"é\",\n  \"x\": [1,}", "ligne 2, colonne 11 : JSON incorrect"},
        DamagedRow{"cut short", "{\"title\": \"Serre", "ligne 1, colonne 17 : JSON incorrect"},
        DamagedRow{"two values", "{} {}", "ligne 1, colonne 4 : JSON incorrect"},
        DamagedRow{"no object", "[\"title\"]", "le fichier doit contenir un objet JSON : { … }"},
        DamagedRow{"title", "{\"title\": null}", "« title » doit être un texte"},
        DamagedRow{"comment", "{\"comment\": [\"a\"]}", "« comment » doit être un texte"},
        DamagedRow{"signals", "{\"signals\": [\"EL1\"]}", "« signals » doit être un objet"},
        DamagedRow{"signal", "{\"signals\": {\"SA2\": \"Vanne\"}}", "« signals.SA2 » doit être un objet"},
        DamagedRow{"signal name", "{\"signals\": {\"EL1\": {\"name\": 1}}}", "« signals.EL1.name » doit être un texte"},
        DamagedRow{"huge number", "{\"x\": 1e999}", "un nombre est trop grand"},
        DamagedRow{"too deep", "{\"x\": " + std::string(32, '[') + std::string(32, ']') + "}",
                   "JSON imbriqué sur plus de 32 niveaux"}),
    testing_support::RowIndexName());

#ifndef _WIN32
// Its rename always fails: the save cannot put its file in place.
class RefusingWriter : public FileWriter {
  bool rename(const std::filesystem::path&, const std::filesystem::path&) const override {
    errno = EIO;
    return false;
  }
};
#endif

// Saved as the program is; a file that is there is never left to give
// names the program no longer has, nor replaced when it could not be read
// and nothing takes its place.
TEST(NamesFile, FollowsTheProgramWhenSaved) {
  TempDir dir;
  const auto program = dir / "atelier.prg";
  const auto file = dir / "atelier.prg.json";
  ProgramNames names;
  EXPECT_EQ(readProgramNames(program).status, NamesRead::Status::Absent);
  EXPECT_TRUE(writeProgramNames(program, names).ok);
  EXPECT_FALSE(std::filesystem::exists(file)) << "no names, no file";

  names.notes[outputSignal(3)].name = "Pompe";
  ASSERT_TRUE(writeProgramNames(program, names).ok);
  EXPECT_EQ(readBytes(file), "{\n  \"signals\": {\n    \"SL3\": {\"name\": \"Pompe\"}\n  }\n}\n");
  EXPECT_EQ(readProgramNames(program).names, names);

  EXPECT_TRUE(writeProgramNames(program, ProgramNames{}).ok);
  EXPECT_EQ(readBytes(file), "{}\n") << "names all removed";

  writeBytes(file, "{\"title\": ");
  EXPECT_TRUE(writeProgramNames(program, ProgramNames{}).ok);
  EXPECT_EQ(readBytes(file), "{\"title\": ") << "a damaged file stays while nothing replaces it";
  EXPECT_TRUE(writeProgramNames(program, names).ok);
  EXPECT_EQ(readProgramNames(program).names, names);

#ifndef _WIN32
  names.title = "Serre nord";
  const WriteResult refused = writeProgramNames(program, names, RefusingWriter());
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.message.rfind("Impossible d'enregistrer le fichier atelier.prg.json : ", 0), 0u) << refused.message;
  EXPECT_EQ(readProgramNames(program).names.title, "") << "the file saved before is left whole";
#endif
}

TEST(NamesFile, OnlyAPlainFileOfAtMostOneMegabyteIsRead) {
  TempDir dir;
  std::filesystem::create_directory(dir / "dossier.prg.json");
  EXPECT_EQ(readProgramNames(dir / "dossier.prg").problem, "c'est un dossier");
  writeBytes(dir / "gros.prg.json", "{\"x\": \"" + std::string(kNamesFileMaxBytes, 'a') + "\"}");
  EXPECT_EQ(readProgramNames(dir / "gros.prg").problem, "plus de 1 Mo, trop pour un fichier de noms");
#ifndef _WIN32
  ASSERT_EQ(::mkfifo((dir / "tube.prg.json").c_str(), 0600), 0);
  EXPECT_EQ(readProgramNames(dir / "tube.prg").problem, "ce n'est pas un fichier ordinaire");
#endif
}

}  // namespace
}  // namespace velkor
