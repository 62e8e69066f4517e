#include "rx_filter.h"

namespace velkor::posix {

RxFilterSettings RxFilterFor(const DCB& dcb) {
  RxFilterSettings s;
  s.unmark = dcb.fParity != 0;
  // As on Windows, only bytes found in error by parity checking are replaced.
  s.replaceErrors = dcb.fParity != 0 && dcb.fErrorChar != 0;
  s.errorChar = dcb.ErrorChar;
  s.dropNulls = dcb.fNull != 0;
  return s;
}

void RxFilter::Emit(unsigned char b, std::string& out) const {
  if (b == 0 && settings_.dropNulls) return;
  out.push_back(static_cast<char>(b));
}

void RxFilter::Decode(const unsigned char* raw, std::size_t n, std::string& out) {
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char b = raw[i];
    if (!settings_.unmark) {
      Emit(b, out);
      continue;
    }
    switch (state_) {
      case State::Plain:
        if (b == 0xFF)
          state_ = State::AfterFF;
        else
          Emit(b, out);
        break;
      case State::AfterFF:
        if (b == 0x00) {
          state_ = State::AfterFF00;
          break;
        }
        // 0xFF 0xFF is a received 0xFF; anything else cannot follow a mark:
        // the 0xFF was data of its own.
        Emit(0xFF, out);
        state_ = State::Plain;
        if (b != 0xFF) Emit(b, out);
        break;
      case State::AfterFF00:
        // The byte received in error (a break reads as a NUL in error).
        Emit(settings_.replaceErrors ? static_cast<unsigned char>(settings_.errorChar) : b, out);
        state_ = State::Plain;
        break;
    }
  }
}

}  // namespace velkor::posix
