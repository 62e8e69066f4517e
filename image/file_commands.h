// The "Ouvrir" and "Sauvegarder" commands, with their questions and messages.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "image/program.h"
#include "image/program_file.h"
#include "image/user_dialogs.h"

namespace velkor {

struct OpenOutcome {
  FileStatus status = FileStatus::Ok;
  std::string message;  // French, when not Ok
  Reaction reaction;    // where the focus goes: the pages were reset in any case
  std::filesystem::path file;  // the file chosen
};

// Resets the pages, reads the file and, when it is a program file, decodes
// it. A refused or unreadable file leaves the pages reset and decodes nothing.
OpenOutcome openProgramFile(Program& program, const std::filesystem::path& path);

// "Ouvrir": asks while modified, asks for the file, opens it and reports a
// failure. Returns what happened when the pages were reset.
std::optional<OpenOutcome> ouvrirProgramme(Program& program, UserDialogs& dialogs);

// "Ouvrir" once the file is known (given at start, dropped, recent): opens
// it and reports a failure, with the same beep and messages. The caller
// asks about unsaved changes first.
OpenOutcome ouvrirFichier(Program& program, UserDialogs& dialogs, const std::filesystem::path& path);

// "Sauvegarder": rebuilds the images, asks for the file (the dialog opening
// on `suggestion` when there is one), asks before overwriting one, writes it
// and clears the modified flag. Returns the file written.
std::optional<std::filesystem::path> sauvegarderProgramme(Program& program, UserDialogs& dialogs,
                                                          const std::filesystem::path& suggestion = {});

}  // namespace velkor
