// upload, download and verify: the editor's board transfers from a script.
#pragma once

#include <string>

#include "cli/console.h"

namespace velkor {

// Each returns its exit code (CliExit).

int uploadCommand(const std::string& file, const std::string& port);
int downloadCommand(const std::string& file, const std::string& port);
int verifyCommand(const std::string& file, const std::string& port);

}  // namespace velkor
