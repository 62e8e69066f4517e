#include "image/file_commands.h"

#include "image/image_check.h"
#include "image/messages.h"
#include "image/names_file.h"

#include <utility>

namespace velkor {

bool confirmLoseChanges(const Program& program, UserDialogs& dialogs, std::string_view question) {
  if (!program.document.ProgramModified) return true;
  dialogs.beep();
  return dialogs.askOkCancel(msg::kAttentionTitle, question);
}

OpenOutcome openProgramFile(Program& program, const std::filesystem::path& path) {
  OpenOutcome outcome;
  ReadResult read = readProgramFile(path);
  outcome.status = read.status;
  outcome.message = read.message;
  if (read.status != FileStatus::Ok) {
    outcome.reaction = program.initialiserPages();
    return outcome;
  }
  outcome.damaged = damagedOutputs(read.images);
  outcome.read = read.images;
  outcome.reaction = program.load(std::move(read.images));
  NamesRead names = readProgramNames(path);
  if (names.status == NamesRead::Status::Ok) program.document.names = std::move(names.names);
  if (names.status == NamesRead::Status::Damaged) outcome.namesProblem = std::move(names.problem);
  return outcome;
}

std::optional<OpenOutcome> ouvrirProgramme(Program& program, UserDialogs& dialogs, const ShowPages& showPages) {
  if (!confirmLoseChanges(program, dialogs)) return std::nullopt;
  const auto path = dialogs.chooseFileToOpen();
  if (!path) return std::nullopt;
  return ouvrirFichier(program, dialogs, *path, showPages);
}

OpenOutcome ouvrirFichier(Program& program, UserDialogs& dialogs, const std::filesystem::path& path,
                          const ShowPages& showPages) {
  OpenOutcome outcome = openProgramFile(program, path);
  outcome.file = path;
  if (showPages) showPages(outcome);
  switch (outcome.status) {
    case FileStatus::Ok:
      if (!outcome.damaged.empty()) {
        dialogs.beep();
        dialogs.showMessage(msg::damagedFile(path.filename().string(), outcome.damaged));
      }
      if (!outcome.namesProblem.empty()) {
        dialogs.beep();
        dialogs.showMessage(msg::damagedNamesFile(namesFilePath(path).filename().string(), outcome.namesProblem));
      }
      break;
    case FileStatus::Unreadable:
    case FileStatus::Unsuitable:
      dialogs.beep();
      dialogs.showMessage(outcome.message);
      break;
    case FileStatus::IoError: dialogs.reportError(outcome.message); break;
  }
  return outcome;
}

namespace {

// Writes the images built, then the names beside them; a failure goes to the
// error report and leaves the flag: the file no longer holds what the pages
// and names show together.
std::optional<std::filesystem::path> writeProgram(Program& program, UserDialogs& dialogs,
                                                  const std::filesystem::path& path, const FileWriter& writer) {
  WriteResult written = writeProgramFile(path, program.images, writer);
  if (written.ok) written = writeProgramNames(path, program.document.names, writer);
  if (!written.ok) {
    dialogs.reportError(written.message);
    return std::nullopt;
  }
  program.document.ProgramModified = false;
  return path;
}

}  // namespace

std::optional<std::filesystem::path> sauvegarderProgramme(Program& program, UserDialogs& dialogs,
                                                          const std::filesystem::path& suggestion,
                                                          const FileWriter& writer) {
  program.construireImages();
  const auto chosen = dialogs.chooseFileToSave(suggestion);
  if (!chosen) return std::nullopt;
  const std::filesystem::path path = chosenProgramFile(*chosen);

  std::error_code ec;
  if (std::filesystem::exists(path, ec)) {
    dialogs.beep();
    if (!dialogs.askYesNo(msg::kConfirmationTitle, msg::overwriteQuestion(path.filename().string())))
      return std::nullopt;
  }
  return writeProgram(program, dialogs, path, writer);
}

std::filesystem::path chosenProgramFile(const ChosenFile& chosen) {
  if (chosen.filter != FileFilter::Programs || chosen.path.has_extension()) return chosen.path;
  std::filesystem::path path = chosen.path;
  return path += ".prg";
}

std::optional<std::filesystem::path> enregistrerProgramme(Program& program, UserDialogs& dialogs,
                                                          const std::filesystem::path& current,
                                                          const FileWriter& writer) {
  if (current.empty()) return sauvegarderProgramme(program, dialogs, {}, writer);
  program.construireImages();
  return writeProgram(program, dialogs, current, writer);
}

}  // namespace velkor
