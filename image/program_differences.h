// What differs between two programs, field by field, in the words of the
// pages: the board's and the editor's when verifying ("SL1 : seuil EA2 —
// carte > 375 mV, éditeur > 250 mV"), two files for `velkor-cli diff`.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "document/program_names.h"
#include "image/program_images.h"

namespace velkor {

struct FieldDifference {
  int page = 0;
  std::string field;   // "conditions", "seuil EA2", "pause", "tension", "maintien", "champs non utilisés"
  std::string first;   // as the pages would show the first program (empty for unused fields)
  std::string second;  // and the second
  // Each value after the name of its program; with `names`, the output's
  // name after its id ("SL1 (Pompe) : seuil EA2 — …").
  std::string line(std::string_view firstName = "carte", std::string_view secondName = "éditeur",
                   const ProgramNames* names = nullptr) const;
};

// Every field whose value differs, output by output (SL1 to SA4) and, within
// an output, in the order of the page. An output whose images differ only in
// bytes no field shows (the threshold of an input the chain does not name,
// what lies after the end of the chain) gets one "champs non utilisés" line:
// the programs behave the same, though their bytes differ.
// Empty exactly when the images are equal.
std::vector<FieldDifference> programDifferences(const ProgramImages& first, const ProgramImages& second);

}  // namespace velkor
