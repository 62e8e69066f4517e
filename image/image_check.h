// Whether an image holds only bytes the editor writes, and what decoding
// leaves out of one that does not. A damaged file, or a board reply mangled on
// the line, is told apart from a sound one by this.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "image/program_images.h"

namespace velkor {

// What decoding cannot read in the image of `page`, in French and in the
// order of the image ("lien 2 illisible, la chaîne s'arrête à la condition
// 2"); empty when every byte is one the editor writes at its place: a code of
// an input of the page (1-11 on a logic page, 1-7 on an analog one) or "?",
// a link "E", "O" or "R", a comparator "U" or "D", digits, a hold flag "V" or
// "F". A missing byte counts as unreadable.
std::vector<std::string> imageFaults(int page, std::string_view image);

// One line per damaged output, naming it: "SL2 : lien 2 illisible, la chaîne
// s'arrête à la condition 2 ; pause illisible, remplacée par 0".
std::vector<std::string> damagedOutputs(const ProgramImages& images);

}  // namespace velkor
