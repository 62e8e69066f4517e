// The program as velkor-cli shows it: text lines and JSON.
#pragma once

#include <string>
#include <vector>

#include "image/program_summary.h"

namespace velkor {

// {"outputs": [ {...}, ... ]} with one line per output; with a damaged file
// also "warnings": one line per damaged output, naming it.
std::string toJson(const std::vector<OutputSummary>& outputs, const std::vector<std::string>& warnings = {});

// One French line per output: "SL1 : EL1=1 ET EA2 (> 250 mV) — pause 1000 mS".
std::string toText(const std::vector<OutputSummary>& outputs);

}  // namespace velkor
