// The "Ouvrir", "Sauvegarder" and "Enregistrer" commands, with their
// questions and messages.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "image/messages.h"
#include "image/program.h"
#include "image/program_file.h"
#include "image/user_dialogs.h"

namespace velkor {

struct OpenOutcome {
  FileStatus status = FileStatus::Ok;
  std::string message;  // French, when not Ok
  Reaction reaction;    // where the focus goes: the pages were reset in any case
  std::filesystem::path file;  // the file chosen
  // When Ok: one line per output whose image holds bytes the editor never
  // writes, naming it and what decoding left out (see imageFaults).
  std::vector<std::string> damaged;
  // When Ok: the images as the file holds them (the pages encode them again,
  // which leaves out what no field shows).
  ProgramImages read;
  // When Ok and the names file beside it could not be read: why, in French.
  // The program is then shown without names, and the names file left as it is.
  std::string namesProblem;
};

// Whether the program on the pages may give way to another (a file, Nouveau,
// the board's) or the editor end: yes while nothing is unsaved, else the
// beep and `question` under "Attention...", OK going on.
bool confirmLoseChanges(const Program& program, UserDialogs& dialogs,
                        std::string_view question = msg::kLoseChangesContinue);

// Resets the pages, reads the file and, when it is a program file, decodes
// it as far as it goes and takes the names beside it (see namesProblem). A
// refused or unreadable file leaves the pages reset and decodes nothing.
OpenOutcome openProgramFile(Program& program, const std::filesystem::path& path);

// Shows the pages once a file was read into them (or they were reset), before
// any message about the file is shown.
using ShowPages = std::function<void(const OpenOutcome&)>;

// "Ouvrir": asks while modified, asks for the file, opens it and reports a
// refused or damaged file (see ouvrirFichier). Returns what happened when the
// pages were reset.
std::optional<OpenOutcome> ouvrirProgramme(Program& program, UserDialogs& dialogs, const ShowPages& showPages = {});

// "Ouvrir" once the file is known (given at start, dropped, recent): opens
// it with the names beside it, has the pages shown, then reports a failure,
// or a damaged file, with the same beep and messages, and a names file that
// could not be read. The caller asks about unsaved changes first.
OpenOutcome ouvrirFichier(Program& program, UserDialogs& dialogs, const std::filesystem::path& path,
                          const ShowPages& showPages = {});

// "Sauvegarder": rebuilds the images, asks for the file (the dialog opening
// on `suggestion` when there is one), asks before overwriting one, writes it
// and its names (see writeProgramNames) through `writer` and clears the
// modified flag. Returns the file written; nothing when either write failed,
// which is reported, the flag left as it was.
std::optional<std::filesystem::path> sauvegarderProgramme(Program& program, UserDialogs& dialogs,
                                                          const std::filesystem::path& suggestion = {},
                                                          const FileWriter& writer = systemFileWriter());

// The file a save dialog's answer names: under the programs' filter, a name
// without extension gets ".prg"; under "Tous les fichiers" it is kept as is.
std::filesystem::path chosenProgramFile(const ChosenFile& chosen);

// "Enregistrer": rebuilds the images and writes them to `current`, the file
// the pages came from or were last saved to, without a dialog or question,
// through `writer`, then clears the modified flag; with no current file,
// does what "Sauvegarder" does. Returns the file written.
std::optional<std::filesystem::path> enregistrerProgramme(Program& program, UserDialogs& dialogs,
                                                          const std::filesystem::path& current,
                                                          const FileWriter& writer = systemFileWriter());

}  // namespace velkor
