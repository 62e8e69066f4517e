// Small text rules shared by the document, the images and the files.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velkor {

// Blanks are spaces and control characters (bytes 0x00-0x20).
constexpr bool isBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// `text` without leading and trailing blanks.
std::string_view trimBlanks(std::string_view text);

// True when `text` is made of decimal digits only (the empty text included).
bool isDigits(std::string_view text);

// Leading "0" removed as long as more than one character remains: "0070" -> "70", "000" -> "0".
std::string stripLeadingZeros(std::string_view text);

// The whole text read as a non-negative decimal number; nothing when it is
// empty, holds anything but digits, or does not fit.
std::optional<long> readWholeNumber(std::string_view text);

// The length of the well-formed UTF-8 character at the start of `text`, 0
// when it is none (a stray or missing continuation byte, an overlong form, a
// surrogate, beyond U+10FFFF, or `text` empty).
std::size_t utf8CharacterLength(std::string_view text);

}  // namespace velkor
