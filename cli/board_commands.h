// upload, download, verify and ports: the editor's board commands from a
// script. upload and verify serve several boards at once, one per port.
#pragma once

#include <string>
#include <vector>

#include "cli/console.h"

namespace velkor {

// Each returns its exit code (CliExit). With several ports: 0 when every
// board went through, 4 when a port could not be opened, 1 otherwise.

int uploadCommand(const std::string& file, const std::vector<std::string>& ports);
int downloadCommand(const std::string& file, const std::string& port);
int verifyCommand(const std::string& file, const std::vector<std::string>& ports, bool json);
int portsCommand(bool json);

}  // namespace velkor
