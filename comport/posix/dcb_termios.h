// Translation between the Win32 device control block and termios. Pure
// functions: no device is touched, so every mapping can be checked on its own.
#pragma once

#include <termios.h>

#include <span>

#include "win32_types.h"

namespace velkor::posix {

// How this layer renders each field of the control block: through termios,
// a modem-line ioctl, its own read path or error state, or not at all, in
// which case a value it cannot honour is refused with ERROR_INVALID_PARAMETER
// rather than accepted and ignored.
struct DcbRule {
  const char* field;
  const char* rendering;
  // True for a control block whose value of this field is refused; null when
  // every value is honoured (or refused by the tty itself, see the text).
  bool (*refuses)(const DCB& dcb);
};
std::span<const DcbRule> DcbRules();
// The first rule that refuses the control block, or null.
const DcbRule* RefusingRule(const DCB& dcb);

// Raw mode: no line editing, no signals, no CR/LF translation either way, no
// stripping, so every byte 0-255 passes unchanged.
void MakeRaw(termios& tio);

// termios speed constant for a rate in bits per second; B0 when the tty has no
// constant for it.
speed_t SpeedForRate(DWORD rate);
DWORD RateForSpeed(speed_t speed);

// Writes what the DCB asks for into tio (which keeps everything else). Returns
// 0, or ERROR_INVALID_PARAMETER for a control block that a rule refuses or a
// rate the tty cannot take (tio is then unchanged). A rate without a termios
// constant is refused unless otherRate is given: it then receives the rate,
// for the caller to set through termios2, and tio keeps its speed.
DWORD DcbToTermios(const DCB& dcb, termios& tio, DWORD* otherRate = nullptr);

// termios2 access for those rates (other_rate.cpp); 0 or an errno value.
int SetOtherRate(int fd, unsigned rate);
int GetOtherRate(int fd, unsigned* rate);

// Reads back into the DCB the fields that termios holds; the other fields
// (limits, error/eof/event characters, flags without a tty equivalent) keep
// their value, except where the tty settles them (the limits and
// fTXContinueOnXoff under input flow control; DC1/DC3 for start and stop
// characters that are equal). From a block DcbToTermios accepted, the result
// is one it accepts again, whatever the tty's state.
void TermiosToDcb(const termios& tio, DCB& dcb);

}  // namespace velkor::posix
