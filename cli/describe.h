// The program as velkor-cli shows it: text lines and JSON.
#pragma once

#include <string>
#include <vector>

#include "image/program_summary.h"

namespace velkor {

// {"outputs": [ {...}, ... ]} with one line per output; with names (a names
// file was read) also "title", "comment" and "signals" as the file has
// them; with a damaged file "warnings": one line per damaged output, naming it.
std::string toJson(const std::vector<OutputSummary>& outputs, const std::vector<std::string>& warnings = {},
                   const ProgramNames* names = nullptr);

// One French line per output, each its `outputLine`.
std::string toText(const std::vector<OutputSummary>& outputs, const ProgramNames* names = nullptr);

}  // namespace velkor
