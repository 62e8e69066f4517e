// Reading a program image byte by byte, for decoding and for the image check,
// which must agree on what is readable. Images may be shorter than their
// format and hold any bytes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "document/text_rules.h"
#include "image/program_images.h"

namespace velkor {

class ImageReader {
 public:
  explicit ImageReader(std::string_view image) : image_(image) {}

  // The byte at 1-based `position`; nothing past the image's end.
  std::optional<unsigned char> byteAt(std::size_t position) const {
    if (position < 1 || position > image_.size()) return std::nullopt;
    return static_cast<unsigned char>(image_[position - 1]);
  }

  // Whether `width` bytes from `position` are there and all digits.
  bool digitsAt(std::size_t position, std::size_t width) const {
    return position >= 1 && position - 1 + width <= image_.size() && isDigits(image_.substr(position - 1, width));
  }

  // Those digits, shown without leading zeros; nothing when they are not.
  std::optional<std::string> numberAt(std::size_t position, std::size_t width) const {
    if (!digitsAt(position, width)) return std::nullopt;
    return stripLeadingZeros(image_.substr(position - 1, width));
  }

  // Whether the byte at `position` is one of `letters`.
  bool oneOf(std::size_t position, std::string_view letters) const {
    const auto b = byteAt(position);
    return b && letters.find(static_cast<char>(*b)) != std::string_view::npos;
  }

 private:
  std::string_view image_;
};

enum class CodeInput { none, logic, analog };

// The input a condition's code names on `page`: EL1-EL7 are codes 1-7, and a
// logic page also reads EA1-EA4 as codes 8-11. The empty code, a missing byte
// and any other byte name none.
constexpr CodeInput inputOfCode(int page, std::optional<unsigned char> code) {
  if (!code) return CodeInput::none;
  if (*code >= 1 && *code <= 7) return CodeInput::logic;
  if (isLogicPage(page) && *code >= 8 && *code <= 11) return CodeInput::analog;
  return CodeInput::none;
}

}  // namespace velkor
