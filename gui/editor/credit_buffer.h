// The author credit travels from the main window to the About box through
// this buffer: the main window writes it byte by byte at creation, the About
// box reads its first nine bytes.
#pragma once

#include <array>

namespace velkor {

inline constexpr std::size_t kCreditLength = 9;
extern std::array<unsigned char, 16> CreditBuffer;

void writeCredit();   // by the main window's creation
const char* credit(); // nine bytes as text, for the About box

}  // namespace velkor
