// What the commands write on stderr, and their exit codes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "image/file_commands.h"

namespace velkor {

enum CliExit {
  kExitDone = 0,      // shown, simulated, transferred, identical
  kExitFailed = 1,    // no communication with the board, or (verify) a difference
  kExitUsage = 2,
  kExitRefused = 3,   // the file is no program file, or cannot be read
  kExitNoPort = 4,
  kExitDamaged = 5,   // done, but the file holds bytes the editor never writes
};

// One of the program's French messages, its CR line breaks made newlines.
void printMessage(std::string_view text);

// A file as messages name it: its last component.
std::string fileNameOf(const std::string& path);

// Reads a program file as "Ouvrir" does; nothing when refused (message given,
// the command ends with kExitRefused).
std::optional<OpenOutcome> openProgram(Program& program, const std::string& path);

// Told about a damaged file as the editor tells it; `code` becomes
// kExitDamaged when the command itself went through.
int reportDamage(std::string_view fileName, const std::vector<std::string>& damaged, int code);

}  // namespace velkor
