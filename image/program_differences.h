// What differs between the program a board holds and the editor's, field by
// field, in the words of the pages: "SL1 : seuil EA2 — carte > 375 mV,
// éditeur > 250 mV".
#pragma once

#include <string>
#include <vector>

#include "image/program_images.h"

namespace velkor {

struct FieldDifference {
  int page = 0;
  std::string field;   // "conditions", "seuil EA2", "pause", "tension", "maintien", "champs non utilisés"
  std::string board;   // as the pages would show the board's program (empty for unused fields)
  std::string editor;  // as the pages show the editor's (empty for unused fields)
  std::string line() const;
};

// Every field whose value differs, output by output (SL1 to SA4) and, within
// an output, in the order of the page. An output whose images differ only in
// bytes no field shows (the threshold of an input the chain does not name,
// what lies after the end of the chain) gets one "champs non utilisés" line:
// the board does not hold the editor's bytes, though it behaves the same.
// Empty exactly when the images are equal.
std::vector<FieldDifference> programDifferences(const ProgramImages& board, const ProgramImages& editor);

}  // namespace velkor
