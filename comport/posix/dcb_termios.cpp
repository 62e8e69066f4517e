#include "dcb_termios.h"

#include <iterator>

namespace velkor::posix {

namespace {

struct RateSpeed {
  DWORD rate;
  speed_t speed;
};

constexpr RateSpeed kRates[] = {
    {50, B50},         {75, B75},         {110, B110},         {134, B134},
    {150, B150},       {200, B200},       {300, B300},         {600, B600},
    {1200, B1200},     {1800, B1800},     {2400, B2400},       {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},     {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800},   {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool IsSet(DWORD flag) { return flag != 0; }

constexpr DcbRule kRules[] = {
    {"BaudRate",
     "cfsetispeed/cfsetospeed; a rate without a termios constant through termios2 (BOTHER); "
     "0 refused unless the tty reads back no rate, as it would hang the line up",
     nullptr},
    {"fBinary", "always binary: raw mode, every byte passes unchanged", nullptr},
    {"fParity",
     "INPCK with PARMRK: a byte received in error reads as received, the read path removing "
     "the tty's mark",
     nullptr},
    {"fOutxCtsFlow",
     "CRTSCTS, the tty's one switch for both directions: the tty then drives RTS as well", nullptr},
    {"fOutxDsrFlow", "refused when set: the tty has no DSR flow control",
     [](const DCB& d) { return IsSet(d.fOutxDsrFlow); }},
    {"fDtrControl",
     "enable, disable: TIOCMBIS, TIOCMBIC on DTR; handshake refused: the tty has no DTR flow "
     "control",
     [](const DCB& d) { return d.fDtrControl > DTR_CONTROL_ENABLE; }},
    {"fDsrSensitivity", "refused when set: the tty cannot drop received bytes while DSR is off",
     [](const DCB& d) { return IsSet(d.fDsrSensitivity); }},
    {"fTXContinueOnXoff",
     "set: what the tty does, it goes on sending after it sent XOFF; clear with fInX refused: "
     "the tty cannot hold its output then",
     [](const DCB& d) { return IsSet(d.fInX) && !IsSet(d.fTXContinueOnXoff); }},
    {"fOutX", "IXON", nullptr},
    {"fInX", "IXOFF", nullptr},
    {"fErrorChar", "with fParity, the read path replaces a byte received in error by ErrorChar",
     nullptr},
    {"fNull", "the read path drops received NUL bytes", nullptr},
    {"fRtsControl",
     "enable, disable: TIOCMBIS, TIOCMBIC on RTS; handshake: CRTSCTS; toggle refused: the tty "
     "cannot raise RTS only while it sends",
     [](const DCB& d) { return d.fRtsControl == RTS_CONTROL_TOGGLE; }},
    {"fAbortOnError",
     "the layer's error state: a line error ends the transfers with error 995 and refuses new "
     "ones until ClearCommError",
     nullptr},
    {"XonLim, XoffLim",
     "with input flow control (fInX, RTS handshake) only 0, the tty's own thresholds; unused "
     "otherwise, as on Windows",
     [](const DCB& d) {
       const bool inputFlow = IsSet(d.fInX) || d.fRtsControl == RTS_CONTROL_HANDSHAKE;
       return inputFlow && (d.XonLim != 0 || d.XoffLim != 0);
     }},
    {"ByteSize", "CS5 to CS8; other sizes refused: no tty takes them",
     [](const DCB& d) { return d.ByteSize < 5 || d.ByteSize > 8; }},
    {"Parity", "none, odd, even: PARENB, PARODD; mark, space: with CMSPAR; other values refused",
     [](const DCB& d) { return d.Parity > SPACEPARITY; }},
    {"StopBits",
     "1: no CSTOPB; 1.5: CSTOPB, with 5 data bits only; 2: CSTOPB, not with 5 data bits (the "
     "tty would send 1.5), as on Windows; other values refused",
     [](const DCB& d) {
       return d.StopBits > TWOSTOPBITS || (d.StopBits == ONE5STOPBITS && d.ByteSize != 5) ||
              (d.StopBits == TWOSTOPBITS && d.ByteSize == 5);
     }},
    {"XonChar, XoffChar", "c_cc[VSTART], c_cc[VSTOP]; equal characters refused, as on Windows",
     [](const DCB& d) { return d.XonChar == d.XoffChar; }},
    {"ErrorChar", "the character of fErrorChar", nullptr},
    {"EofChar", "no effect: the line is binary, as on Windows", nullptr},
    {"EvtChar", "kept; EV_RXFLAG is not reported by this layer", nullptr},
    {"DCBlength, wReserved, wReserved1", "ignored, as on Windows", nullptr},
};

}  // namespace

std::span<const DcbRule> DcbRules() { return kRules; }

const DcbRule* RefusingRule(const DCB& dcb) {
  for (const DcbRule& rule : kRules)
    if (rule.refuses && rule.refuses(dcb)) return &rule;
  return nullptr;
}

void MakeRaw(termios& tio) {
  tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | IGNPAR | PARMRK | ISTRIP | INLCR | IGNCR |
                                        ICRNL | IXON | IXOFF | IXANY | IUCLC | IMAXBEL);
  tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
}

speed_t SpeedForRate(DWORD rate) {
  for (const auto& r : kRates)
    if (r.rate == rate) return r.speed;
  return B0;
}

DWORD RateForSpeed(speed_t speed) {
  for (const auto& r : kRates)
    if (r.speed == speed) return r.rate;
  return 0;
}

DWORD DcbToTermios(const DCB& dcb, termios& tio, DWORD* otherRate) {
  if (RefusingRule(dcb)) return ERROR_INVALID_PARAMETER;
  termios t = tio;
  MakeRaw(t);

  if (otherRate) *otherRate = 0;
  // The rate read back is kept as it is, even one without a number (B0).
  if (dcb.BaudRate != RateForSpeed(cfgetospeed(&t))) {
    const speed_t speed = SpeedForRate(dcb.BaudRate);
    if (speed != B0) {
      cfsetispeed(&t, speed);
      cfsetospeed(&t, speed);
    } else if (otherRate && dcb.BaudRate != 0) {
      *otherRate = dcb.BaudRate;
    } else {
      return ERROR_INVALID_PARAMETER;  // rate 0 would hang the line up
    }
  }

  // The rules refused every other size and parity: the last case takes the rest.
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE);
  switch (dcb.ByteSize) {
    case 5: t.c_cflag |= CS5; break;
    case 6: t.c_cflag |= CS6; break;
    case 7: t.c_cflag |= CS7; break;
    case 8:
    default: t.c_cflag |= CS8; break;
  }

  t.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
  switch (dcb.Parity) {
    case NOPARITY: break;
    case ODDPARITY: t.c_cflag |= PARENB | PARODD; break;
    case EVENPARITY: t.c_cflag |= PARENB; break;
    case MARKPARITY: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case SPACEPARITY:
    default: t.c_cflag |= PARENB | CMSPAR; break;
  }

  // CSTOPB gives 1.5 stop bits with 5-bit bytes, 2 otherwise (the rules keep
  // each count to the sizes that have it).
  if (dcb.StopBits == ONESTOPBIT)
    t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
  else
    t.c_cflag |= CSTOPB;

  // Checking parity on input, the tty marking each byte in error so that the
  // read path can hand it on as received (without the mark the tty gives 0).
  if (dcb.fParity)
    t.c_iflag |= INPCK | PARMRK;
  else
    t.c_iflag &= ~static_cast<tcflag_t>(INPCK | PARMRK);

  // The tty has one switch for both directions of hardware handshaking.
  if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE)
    t.c_cflag |= CRTSCTS;
  else
    t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);

  if (dcb.fOutX)
    t.c_iflag |= IXON;
  else
    t.c_iflag &= ~static_cast<tcflag_t>(IXON);
  if (dcb.fInX)
    t.c_iflag |= IXOFF;
  else
    t.c_iflag &= ~static_cast<tcflag_t>(IXOFF);
  t.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
  t.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);

  tio = t;
  return 0;
}

void TermiosToDcb(const termios& tio, DCB& dcb) {
  dcb.BaudRate = RateForSpeed(cfgetospeed(&tio));
  dcb.fBinary = 1;
  switch (tio.c_cflag & CSIZE) {
    case CS5: dcb.ByteSize = 5; break;
    case CS6: dcb.ByteSize = 6; break;
    case CS7: dcb.ByteSize = 7; break;
    default: dcb.ByteSize = 8; break;
  }
  if (!(tio.c_cflag & PARENB))
    dcb.Parity = NOPARITY;
  else if (tio.c_cflag & CMSPAR)
    dcb.Parity = (tio.c_cflag & PARODD) ? MARKPARITY : SPACEPARITY;
  else
    dcb.Parity = (tio.c_cflag & PARODD) ? ODDPARITY : EVENPARITY;
  if (!(tio.c_cflag & CSTOPB))
    dcb.StopBits = ONESTOPBIT;
  else
    dcb.StopBits = dcb.ByteSize == 5 ? ONE5STOPBITS : TWOSTOPBITS;
  dcb.fParity = (tio.c_iflag & INPCK) ? 1 : 0;
  const bool hw = (tio.c_cflag & CRTSCTS) != 0;
  dcb.fOutxCtsFlow = hw ? 1 : 0;
  if (hw)
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
  else if (dcb.fRtsControl == RTS_CONTROL_HANDSHAKE)
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fOutX = (tio.c_iflag & IXON) ? 1 : 0;
  dcb.fInX = (tio.c_iflag & IXOFF) ? 1 : 0;
  // With input flow control the tty goes on sending after XOFF and keeps its
  // own thresholds: say so, which is also what SetCommState accepts back.
  if (dcb.fInX) dcb.fTXContinueOnXoff = 1;
  if (dcb.fInX || hw) dcb.XonLim = dcb.XoffLim = 0;
  // A tty whose start and stop characters are unset or equal (a zeroed
  // termios) reads as the usual DC1/DC3: a control block with equal ones is
  // refused, and what GetCommState gives must go back through SetCommState.
  if (tio.c_cc[VSTART] == tio.c_cc[VSTOP]) {
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
  } else {
    dcb.XonChar = static_cast<char>(tio.c_cc[VSTART]);
    dcb.XoffChar = static_cast<char>(tio.c_cc[VSTOP]);
  }
}

}  // namespace velkor::posix
