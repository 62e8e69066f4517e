// upload, download and verify: the editor's board transfers from a script.
#pragma once

#include <string>

namespace velkor {

// Exit codes shared by the three commands.
enum BoardExit { kBoardDone = 0, kBoardFailed = 1, kBoardUsage = 2, kBoardFileRefused = 3, kBoardNoPort = 4 };

int uploadCommand(const std::string& file, const std::string& port);
int downloadCommand(const std::string& file, const std::string& port);
int verifyCommand(const std::string& file, const std::string& port);

}  // namespace velkor
