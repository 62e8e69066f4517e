// What a program says, output by output, as the pages show it after decoding.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "document/program_document.h"
#include "document/program_names.h"

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

// The chain with each condition as `condition` writes it from its token
// and, for an analog input, its threshold; joined by " OU " and " ET ", or
// "aucune condition" when slot 1 is empty.
using ConditionText = std::function<std::string(const std::string& token, const ThresholdSummary* threshold)>;
std::string chainText(const OutputSummary& output, const ConditionText& condition);

// "EL1=1 ET EA2 (> 250 mV)": the chain as the pages show it, each analog
// input with its threshold. With names, a named input's name follows its
// token: "EL1=1 (Bouton marche) ET EA2 (Sonde humidité) (> 250 mV)".
std::string chainText(const OutputSummary& output, bool withThresholds = true, const ProgramNames* names = nullptr);

// "> 250 mV".
std::string thresholdText(const ThresholdSummary& threshold);

// What follows the chain: " — tension 2500 mV, maintenue — pause 1000 mS"
// (the voltage and its hold for an analog output).
std::string settingsText(const OutputSummary& output);

// The output on one line, as `velkor-cli show` prints it and the editor's
// overview lists it: "SL1 : EL1=1 ET EA2 (> 250 mV) — pause 1000 mS"; with
// names, the named output and inputs followed by their names: "SL1 (Pompe)
// : EL1=1 (Bouton marche) ET EA2 (> 250 mV) — pause 1000 mS".
std::string outputLine(const OutputSummary& output, const ProgramNames* names = nullptr);

}  // namespace velkor
