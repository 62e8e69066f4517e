// What the commands write on stderr, and their exit codes.
#pragma once

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "image/messages.h"

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
inline void printMessage(std::string_view text) {
  std::string line(text);
  for (char& c : line)
    if (c == '\r') c = '\n';
  std::cerr << line << "\n";
}

// Told about a damaged file as the editor tells it; `code` becomes
// kExitDamaged when the command itself went through.
inline int reportDamage(std::string_view fileName, const std::vector<std::string>& damaged, int code) {
  if (damaged.empty()) return code;
  printMessage(msg::damagedFile(fileName, damaged));
  return code == kExitDone ? kExitDamaged : code;
}

}  // namespace velkor
