// velkor-cli test FILE SCENARIO.csv [SCENARIO.csv ...] [--junit OUT.xml]:
// the program run through each scenario and held against the outputs the
// scenario expects.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velkor {

// `args` follow the command's name; `usageError` prints a usage error and
// returns its exit code. Returns 0 when every expectation holds, 6 when one
// fails, 2 when a scenario is refused (3 and 5 for the program file, as
// elsewhere).
int testCommand(const std::vector<std::string>& args, const std::function<int(std::string_view)>& usageError);

}  // namespace velkor
