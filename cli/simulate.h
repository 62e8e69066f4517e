// velkor-cli simulate FILE SCENARIO.csv [--svg OUT] [--png OUT]: the whole
// board run through a scenario, the outputs after each row as CSV.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velkor {

// `args` follow the command's name; `usageError` prints a usage error and
// returns its exit code.
int simulateCommand(const std::vector<std::string>& args, const std::function<int(std::string_view)>& usageError);

}  // namespace velkor
