// Program images: the one encoded form of a board program.
//
// Eleven byte strings, one per output page: a logic image is 46 bytes, an
// analog image 23. Files, the board and the simulation all use them.
//
// Logic image (positions 1-based):
//   1,3,..,21   condition code of slots 1-11 (one raw byte: 1-7 ELn, 8-11 EA(n-7), 63 '?' empty)
//   2,4,..,20   link before the next slot: 'E' (ET), 'O' (OU), 'R' (next slot empty)
//   5k+17       comparator of EAk: 'U' (above, ">") or 'D' (below, "<")
//   5k+18..+21  threshold of EAk, 4 digits, millivolts
//   42..46      pause, 5 digits, milliseconds
// Analog image:
//   1,3,..,13   codes of slots 1-7;  2,4,..,12 links
//   14..17      output voltage, 4 digits;  18..22 pause, 5 digits
//   23          hold flag 'V' (held) or 'F'
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "document/field_names.h"

namespace velkor {

constexpr std::size_t kLogicImageLength = 46;
constexpr std::size_t kAnalogImageLength = 23;
constexpr unsigned char kEmptyCode = 63;  // '?'

constexpr std::size_t imageLength(int page) { return isLogicPage(page) ? kLogicImageLength : kAnalogImageLength; }

// Positions (1-based) in an image.
constexpr std::size_t codePosition(int slot) { return static_cast<std::size_t>(2 * slot - 1); }
constexpr std::size_t linkPosition(int link) { return static_cast<std::size_t>(2 * link); }
constexpr std::size_t comparatorPosition(int k) { return static_cast<std::size_t>(5 * k + 17); }
constexpr std::size_t thresholdPosition(int k) { return static_cast<std::size_t>(5 * k + 18); }
constexpr std::size_t logicPausePosition = 42;
constexpr std::size_t voltagePosition = 14;
constexpr std::size_t analogPausePosition = 18;
constexpr std::size_t holdPosition = 23;

// The eleven images, indexed by page number 1-11 like the pages they encode.
class ProgramImages {
 public:
  std::string& operator[](int page) { return entries_.at(static_cast<std::size_t>(page - 1)); }
  const std::string& operator[](int page) const { return entries_.at(static_cast<std::size_t>(page - 1)); }
  friend bool operator==(const ProgramImages&, const ProgramImages&) = default;

 private:
  std::array<std::string, kPageCount> entries_{};
};

// The images of the empty program, as Nouveau leaves the pages (built once).
const ProgramImages& emptyProgramImages();

}  // namespace velkor
