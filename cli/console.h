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
  kExitFailed = 1,    // no communication with the board, (verify, diff) a difference, a file not written
  kExitUsage = 2,
  kExitRefused = 3,   // the file is no program file, or cannot be read
  kExitNoPort = 4,
  kExitDamaged = 5,   // done, but the file holds bytes the editor never writes
  kExitExpectation = 6,  // (test) an output differs from what its scenario expects
  kExitOutput = 7,    // the standard output was lost: closed, or its disk full
};

// To be called first. A closed descriptor 0, 1 or 2 is pointed at the null
// device, so that no file or port the command opens takes its number (the
// output would go to the board, the messages into a program file); and
// std::cout keeps the reason of its first failed write.
void setUpStandardStreams();

// `code`, or kExitOutput, told on stderr, when something written to the
// standard output was lost.
int checkStandardOutput(int code);

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

// Told about a names file that could not be read (`problem`, empty when it
// was; the program was shown without names); `code` becomes kExitDamaged
// when the command itself went through.
int reportNames(const std::string& programPath, const std::string& problem, int code);

}  // namespace velkor
