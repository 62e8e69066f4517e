// velkor-cli sheet FILE [--pdf OUT.pdf] [--html OUT.html]: the program sheet
// (the program with its names, the table of its inputs and outputs, each
// output's chain in words and as a diagram) as PDF, as the editor prints it,
// or as HTML.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velkor {

// `args` follow the command's name; `usageError` prints a usage error and
// returns its exit code.
int sheetCommand(const std::vector<std::string>& args, const std::function<int(std::string_view)>& usageError);

}  // namespace velkor
