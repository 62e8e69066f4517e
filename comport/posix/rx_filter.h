// What the read path makes of received bytes, for the control-block settings
// that the tty cannot apply itself: bytes marked in error (PARMRK, set with
// parity checking) are unmarked and, with fErrorChar, replaced by the error
// character; with fNull, NUL bytes are dropped. Pure: the device feeds it the
// raw bytes it reads.
#pragma once

#include <cstddef>
#include <string>

#include "win32_types.h"

namespace velkor::posix {

struct RxFilterSettings {
  bool unmark = false;         // the tty marks errors: 0xFF 0x00 b, and 0xFF as 0xFF 0xFF
  bool replaceErrors = false;  // a byte marked in error reads as errorChar
  char errorChar = 0;
  bool dropNulls = false;
  friend bool operator==(const RxFilterSettings&, const RxFilterSettings&) = default;
};

// The settings a control block asks of the read path.
RxFilterSettings RxFilterFor(const DCB& dcb);

class RxFilter {
 public:
  void Configure(const RxFilterSettings& settings) {
    settings_ = settings;
    if (!settings.unmark) state_ = State::Plain;
  }
  // True when bytes do not pass unchanged.
  bool Active() const { return settings_.unmark || settings_.dropNulls; }
  // Appends to `out` what the reader gets of `n` raw bytes. A mark cut by the
  // end of `raw` is completed by the next call.
  void Decode(const unsigned char* raw, std::size_t n, std::string& out);
  // Forgets a mark begun (the input was purged).
  void Reset() { state_ = State::Plain; }

 private:
  enum class State { Plain, AfterFF, AfterFF00 };
  void Emit(unsigned char b, std::string& out) const;
  RxFilterSettings settings_;
  State state_ = State::Plain;
};

}  // namespace velkor::posix
