// Condition semantics of the whole system: how one program image's chain of
// conditions evaluates against input values.
//
// A chain is folded strictly from left to right, "O" and "E" with equal
// precedence: ((c1 op2 c2) op3 c3) ... It ends in front of the first condition,
// from the second on, whose link is "R". Every condition up to there is
// evaluated; evaluation has no side effects.
//
// Images may come from a file or the board and hold anything: a byte that is
// not there is never read, and the step that needs it is skipped.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "image/program_images.h"

namespace velkor {

constexpr int kLogicInputCount = 7;

// The inputs of a run as the window's controls hold them.
struct InputState {
  std::array<bool, kLogicInputCount> logic{};  // EL1..EL7 ticked
  // EA1..EA4 as typed: the text counts, not a clamped value.
  std::array<std::string, kAnalogInputCount> analogText{"0", "0", "0", "0"};
};

// The byte at 1-based `position`, or nothing past the end.
std::optional<unsigned char> imageByte(std::string_view image, std::size_t position);

// The text of an analog input as millivolts: an optionally signed decimal
// integer, 0 for anything else (empty, a sign alone, a decimal separator).
std::int32_t analogInputValue(std::string_view text);

// Condition code of logic input ELk (1-7) or analog input EAk (8-11).
constexpr bool isLogicInputCode(unsigned char code) { return code >= 1 && code <= kLogicInputCount; }
constexpr bool isAnalogInputCode(unsigned char code) { return code >= 8 && code <= 11; }

// Folds the chain of the first `conditionCount` conditions of `image`; `condition`
// gives the value of one condition code. An empty image folds to false.
template <class Condition>
bool foldChain(std::string_view image, int conditionCount, Condition&& condition) {
  bool result = false;
  for (int j = 1; j <= conditionCount; ++j) {
    const auto code = imageByte(image, codePosition(j));
    if (!code) continue;
    if (j == 1) {
      result = condition(*code);
      continue;
    }
    const auto link = imageByte(image, linkPosition(j - 1));
    if (!link) continue;
    if (*link == 'R') break;
    const bool value = condition(*code);
    if (*link == 'O') result = result || value;
    else if (*link == 'E') result = result && value;
  }
  return result;
}

}  // namespace velkor
