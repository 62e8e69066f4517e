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
};

// Resets the pages, reads the file and, when it is a program file, decodes
// it. A refused or unreadable file leaves the pages reset and decodes nothing.
OpenOutcome openProgramFile(Program& program, const std::filesystem::path& path);

// "Ouvrir": asks while modified, asks for the file, opens it and reports a
// failure. Returns the reaction for the window when the pages were reset.
std::optional<Reaction> ouvrirProgramme(Program& program, UserDialogs& dialogs);

// "Sauvegarder": rebuilds the images, asks for the file (and before
// overwriting one), writes it and clears the modified flag. True when written.
bool sauvegarderProgramme(Program& program, UserDialogs& dialogs);

}  // namespace velkor
