// Simulating one output of a program without a window, step by step.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "image/program_images.h"

namespace velkor {

// The page of an output name ("SL1"-"SL7", "SA1"-"SA4", any case), or 0.
int outputPage(std::string_view name);

struct EvalResult {
  std::vector<std::string> lines;  // one per step: "active"/"inactive", or the millivolts shown
  std::string error;               // a usage error, in French; lines are then incomplete
};

// Runs the output of `page` from the start of a run through `steps`, each a
// comma-separated list of "ELk=0|1" and "EAk=<millivolts>" settings.
EvalResult evaluateOutput(const ProgramImages& images, int page, const std::vector<std::string>& steps);

}  // namespace velkor
