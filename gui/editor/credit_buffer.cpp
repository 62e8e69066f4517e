#include "gui/editor/credit_buffer.h"

#include <string>

namespace velkor {

std::array<unsigned char, 16> CreditBuffer{};

void writeCredit() {
  static constexpr char kCredit[] = "Velkor SA";
  static_assert(sizeof kCredit - 1 == kCreditLength);
  for (std::size_t i = 0; i < kCreditLength; ++i) CreditBuffer[i] = static_cast<unsigned char>(kCredit[i]);
}

const char* credit() {
  static std::string text;
  text.assign(reinterpret_cast<const char*>(CreditBuffer.data()), kCreditLength);
  return text.c_str();
}

}  // namespace velkor
