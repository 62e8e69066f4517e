// Fuzz input laid out as: one selector byte, a count n (mod 16), n piece
// lengths (1-32 bytes each, used in turn), then the byte stream itself. With
// n = 0 the stream arrives in one piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace velkor::fuzzing {

struct PiecedInput {
  std::uint8_t selector = 0;
  std::string_view stream;
  std::vector<std::string_view> pieces;
};

// False when the input is too short to hold its own header.
inline bool splitInput(const std::uint8_t* data, std::size_t size, PiecedInput& in) {
  if (size < 2) return false;
  in.selector = data[0];
  const std::size_t n = data[1] % 16;
  if (size < 2 + n) return false;
  in.stream = std::string_view(reinterpret_cast<const char*>(data + 2 + n), size - 2 - n);
  in.pieces.clear();
  for (std::size_t at = 0, i = 0; at < in.stream.size(); ++i) {
    const std::size_t length = n == 0 ? in.stream.size() : 1 + data[2 + i % n] % 32;
    in.pieces.push_back(in.stream.substr(at, length));
    at += in.pieces.back().size();
  }
  return true;
}

}  // namespace velkor::fuzzing
