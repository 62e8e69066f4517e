#include "cli/console.h"

#include <filesystem>
#include <iostream>

#include "image/messages.h"

namespace velkor {

void printMessage(std::string_view text) {
  std::string line(text);
  for (char& c : line)
    if (c == '\r') c = '\n';
  std::cerr << line << "\n";
}

std::string fileNameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

std::optional<OpenOutcome> openProgram(Program& program, const std::string& path) {
  OpenOutcome outcome = openProgramFile(program, path);
  if (outcome.status == FileStatus::Ok) return outcome;
  printMessage(outcome.message);
  return std::nullopt;
}

int reportDamage(std::string_view fileName, const std::vector<std::string>& damaged, int code) {
  if (damaged.empty()) return code;
  printMessage(msg::damagedFile(fileName, damaged));
  return code == kExitDone ? kExitDamaged : code;
}

}  // namespace velkor
