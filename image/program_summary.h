// What a program says, output by output, as the pages show it after decoding.
#pragma once

#include <string>
#include <vector>

#include "document/program_document.h"

namespace velkor {

struct ThresholdSummary {
  int input = 0;           // k of EAk
  std::string comparator;  // ">" or "<"
  long millivolts = 0;
};

struct OutputSummary {
  int page = 0;
  std::string name;                     // "SL1" ... "SA4"
  std::vector<std::string> conditions;  // the chain from slot 1 to its end
  std::vector<std::string> links;       // "OU"/"ET" between consecutive conditions
  std::vector<ThresholdSummary> thresholds;  // logic outputs: the inputs the chain names
  long pauseMs = 0;
  long voltageMv = 0;  // analog outputs
  bool hold = false;   // analog outputs
};

std::vector<OutputSummary> summarize(const ProgramDocument& document);

// "EL1=1 ET EA2 (> 250 mV)": the chain as the pages show it, each analog
// input with its threshold; "aucune condition" when slot 1 is empty.
std::string chainText(const OutputSummary& output, bool withThresholds = true);

}  // namespace velkor
