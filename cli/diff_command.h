// velkor-cli diff [--json] A.prg B.prg: what differs between two program
// files, field by field, as verify tells it for a board.
#pragma once

#include <string>

namespace velkor {

// 0 when the programs are the same, 1 when they differ; 3 and 5 for the
// files, as elsewhere.
int diffCommand(const std::string& first, const std::string& second, bool json);

}  // namespace velkor
