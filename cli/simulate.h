// velkor-cli simulate FILE SCENARIO.csv [--svg OUT] [--png OUT] [--expect OUT]:
// the whole board run through a scenario, the outputs after each row as CSV.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "simulation/scenario.h"

namespace velkor {

// `args` follow the command's name; `usageError` prints a usage error and
// returns its exit code.
int simulateCommand(const std::vector<std::string>& args, const std::function<int(std::string_view)>& usageError);

// Why a scenario was refused: "essai.csv, ligne 3 : …", or "impossible de
// lire le scénario essai.csv : …" when the file itself could not be read.
std::string scenarioProblem(const std::string& path, const ParsedScenario& scenario);

}  // namespace velkor
