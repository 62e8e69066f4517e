// The pure parts of the Linux layer: DCB <-> termios, port names, errno codes.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "comport/posix/dcb_termios.h"
#include "comport/posix/device_path.h"
#include "comport/posix/error_codes.h"
#include "support/row_names.h"

namespace velkor::posix {
namespace {

DCB MakeDcb(DWORD rate, BYTE size, BYTE parity, BYTE stop) {
  DCB d;
  std::memset(&d, 0, sizeof d);
  d.DCBlength = sizeof d;
  d.BaudRate = rate;
  d.ByteSize = size;
  d.Parity = parity;
  d.StopBits = stop;
  d.XonChar = 17;
  d.XoffChar = 19;
  return d;
}

struct LineRow {
  DWORD rate;
  BYTE size, parity, stop;
  speed_t speed;
  tcflag_t csize;
  tcflag_t parityBits;  // of PARENB | PARODD | CMSPAR
  bool cstopb;
};
void PrintTo(const LineRow& r, std::ostream* os) {
  *os << r.rate << "/" << int(r.size) << "/" << int(r.parity) << "/" << int(r.stop);
}


class ComPortLineMapping : public ::testing::TestWithParam<LineRow> {};

TEST_P(ComPortLineMapping, WritesTermiosAndReadsBack) {
  const LineRow& r = GetParam();
  termios t{};
  // Start from a cooked, translating tty: the mapping must leave it raw.
  t.c_iflag = ICRNL | IXON | ISTRIP | INLCR;
  t.c_oflag = OPOST | ONLCR;
  t.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
  t.c_cflag = CS7 | PARENB | CSTOPB;
  DCB d = MakeDcb(r.rate, r.size, r.parity, r.stop);
  ASSERT_EQ(DcbToTermios(d, t), 0u);
  EXPECT_EQ(cfgetospeed(&t), r.speed);
  EXPECT_EQ(cfgetispeed(&t), r.speed);
  EXPECT_EQ(t.c_cflag & CSIZE, r.csize);
  EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), r.parityBits);
  EXPECT_EQ((t.c_cflag & CSTOPB) != 0, r.cstopb);
  EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXON), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_NE(t.c_cflag & CREAD, 0u);

  DCB back = MakeDcb(0, 0, 0, 0);
  TermiosToDcb(t, back);
  EXPECT_EQ(back.BaudRate, r.rate);
  EXPECT_EQ(back.ByteSize, r.size);
  EXPECT_EQ(back.Parity, r.parity);
  EXPECT_EQ(back.StopBits, r.stop);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ComPortLineMapping,
    ::testing::Values(LineRow{38400, 8, NOPARITY, ONESTOPBIT, B38400, CS8, 0, false},
                      LineRow{9600, 7, EVENPARITY, ONESTOPBIT, B9600, CS7, PARENB, false},
                      LineRow{115200, 5, ODDPARITY, ONE5STOPBITS, B115200, CS5, PARENB | PARODD, true},
                      LineRow{2400, 6, MARKPARITY, TWOSTOPBITS, B2400, CS6, PARENB | PARODD | CMSPAR, true},
                      LineRow{57600, 8, SPACEPARITY, TWOSTOPBITS, B57600, CS8, PARENB | CMSPAR, true}));

struct RefusedRow {
  DWORD rate;
  BYTE size, parity, stop;
};
void PrintTo(const RefusedRow& r, std::ostream* os) {
  *os << r.rate << "/" << int(r.size) << "/" << int(r.parity) << "/" << int(r.stop);
}


class ComPortRefusedLine : public ::testing::TestWithParam<RefusedRow> {};

TEST_P(ComPortRefusedLine, LeavesTermiosUnchanged) {
  const RefusedRow& r = GetParam();
  termios t{};
  cfsetospeed(&t, B1200);
  t.c_cflag |= CS7;
  const termios before = t;
  DCB d = MakeDcb(r.rate, r.size, r.parity, r.stop);
  EXPECT_EQ(DcbToTermios(d, t), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(std::memcmp(&t, &before, sizeof t), 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, ComPortRefusedLine,
                         ::testing::Values(RefusedRow{2000, 8, NOPARITY, ONESTOPBIT}));  // no constant

// Each field of the control block, honoured (and how the tty then holds it)
// or refused; every row of the layer's table has its cases here.
struct FieldRow {
  const char* what;
  const char* field;  // as the table names it
  void (*set)(DCB&);
  bool refused;
  bool (*holds)(const termios&);  // accepted rows; null: nothing of it in termios
};
void PrintTo(const FieldRow& r, std::ostream* os) { *os << r.what; }

bool Has(tcflag_t flags, tcflag_t bits) { return (flags & bits) == bits; }

const FieldRow kFieldRows[] = {
    {"rate", "BaudRate", [](DCB& d) { d.BaudRate = 19200; }, false,
     [](const termios& t) { return cfgetospeed(&t) == B19200; }},
    {"binary", "fBinary", [](DCB& d) { d.fBinary = 1; }, false,
     [](const termios& t) { return (t.c_lflag & ICANON) == 0 && (t.c_oflag & OPOST) == 0; }},
    {"parity_checked_and_marked", "fParity", [](DCB& d) { d.fParity = 1; }, false,
     [](const termios& t) { return Has(t.c_iflag, INPCK | PARMRK) && (t.c_iflag & IGNPAR) == 0; }},
    {"cts_output_flow", "fOutxCtsFlow", [](DCB& d) { d.fOutxCtsFlow = 1; }, false,
     [](const termios& t) { return Has(t.c_cflag, CRTSCTS); }},
    {"dsr_output_flow", "fOutxDsrFlow", [](DCB& d) { d.fOutxDsrFlow = 1; }, true, nullptr},
    {"dtr_enable", "fDtrControl", [](DCB& d) { d.fDtrControl = DTR_CONTROL_ENABLE; }, false, nullptr},
    {"dtr_handshake", "fDtrControl", [](DCB& d) { d.fDtrControl = DTR_CONTROL_HANDSHAKE; }, true,
     nullptr},
    {"dsr_sensitivity", "fDsrSensitivity", [](DCB& d) { d.fDsrSensitivity = 1; }, true, nullptr},
    {"tx_continue", "fTXContinueOnXoff", [](DCB& d) { d.fTXContinueOnXoff = 1; }, false, nullptr},
    {"input_xoff_holding_output", "fTXContinueOnXoff", [](DCB& d) { d.fInX = 1; }, true, nullptr},
    {"output_xon_xoff", "fOutX", [](DCB& d) { d.fOutX = 1; }, false,
     [](const termios& t) { return Has(t.c_iflag, IXON) && (t.c_iflag & IXOFF) == 0; }},
    {"input_xon_xoff", "fInX",
     [](DCB& d) {
       d.fInX = 1;
       d.fTXContinueOnXoff = 1;
     },
     false, [](const termios& t) { return Has(t.c_iflag, IXOFF) && (t.c_iflag & IXON) == 0; }},
    {"error_char", "fErrorChar",
     [](DCB& d) {
       d.fErrorChar = 1;
       d.fParity = 1;
     },
     false, [](const termios& t) { return Has(t.c_iflag, INPCK | PARMRK); }},
    {"discard_nulls", "fNull", [](DCB& d) { d.fNull = 1; }, false, nullptr},
    {"rts_handshake", "fRtsControl", [](DCB& d) { d.fRtsControl = RTS_CONTROL_HANDSHAKE; }, false,
     [](const termios& t) { return Has(t.c_cflag, CRTSCTS); }},
    {"rts_toggle", "fRtsControl", [](DCB& d) { d.fRtsControl = RTS_CONTROL_TOGGLE; }, true, nullptr},
    {"abort_on_error", "fAbortOnError", [](DCB& d) { d.fAbortOnError = 1; }, false, nullptr},
    {"limits_without_input_flow", "XonLim, XoffLim",
     [](DCB& d) {
       d.XonLim = 100;
       d.XoffLim = 100;
     },
     false, nullptr},
    {"limits_with_input_flow", "XonLim, XoffLim",
     [](DCB& d) {
       d.fInX = 1;
       d.fTXContinueOnXoff = 1;
       d.XoffLim = 10;
     },
     true, nullptr},
    {"five_bits", "ByteSize", [](DCB& d) { d.ByteSize = 5; }, false,
     [](const termios& t) { return (t.c_cflag & CSIZE) == CS5; }},
    {"four_bits", "ByteSize", [](DCB& d) { d.ByteSize = 4; }, true, nullptr},
    {"mark_parity", "Parity", [](DCB& d) { d.Parity = MARKPARITY; }, false,
     [](const termios& t) { return Has(t.c_cflag, PARENB | PARODD | CMSPAR); }},
    {"parity_five", "Parity", [](DCB& d) { d.Parity = 5; }, true, nullptr},
    {"one_and_a_half_with_five_bits", "StopBits",
     [](DCB& d) {
       d.ByteSize = 5;
       d.StopBits = ONE5STOPBITS;
     },
     false, [](const termios& t) { return Has(t.c_cflag, CSTOPB); }},
    {"one_and_a_half_with_eight_bits", "StopBits", [](DCB& d) { d.StopBits = ONE5STOPBITS; }, true,
     nullptr},
    {"two_with_five_bits", "StopBits",
     [](DCB& d) {
       d.ByteSize = 5;
       d.StopBits = TWOSTOPBITS;
     },
     true, nullptr},
    {"stop_bits_three", "StopBits", [](DCB& d) { d.StopBits = 3; }, true, nullptr},
    {"xon_xoff_characters", "XonChar, XoffChar",
     [](DCB& d) {
       d.XonChar = 1;
       d.XoffChar = 2;
     },
     false, [](const termios& t) { return t.c_cc[VSTART] == 1 && t.c_cc[VSTOP] == 2; }},
    {"equal_xon_xoff", "XonChar, XoffChar", [](DCB& d) { d.XoffChar = d.XonChar; }, true, nullptr},
    {"error_char_alone", "ErrorChar", [](DCB& d) { d.ErrorChar = '?'; }, false, nullptr},
    {"eof_char", "EofChar", [](DCB& d) { d.EofChar = 26; }, false, nullptr},
    {"event_char", "EvtChar", [](DCB& d) { d.EvtChar = '\n'; }, false, nullptr},
    {"reserved", "DCBlength, wReserved, wReserved1",
     [](DCB& d) {
       d.DCBlength = 12;
       d.wReserved = 5;
       d.wReserved1 = 7;
     },
     false, nullptr},
};

class ComPortDcbField : public ::testing::TestWithParam<FieldRow> {};

TEST_P(ComPortDcbField, IsHonouredOrRefused) {
  const FieldRow& r = GetParam();
  termios t{};
  cfsetospeed(&t, B9600);
  cfsetispeed(&t, B9600);
  t.c_cflag = CS7 | PARENB;
  const termios before = t;
  DCB d = MakeDcb(9600, 8, NOPARITY, ONESTOPBIT);
  r.set(d);
  const DcbRule* rule = RefusingRule(d);
  if (r.refused) {
    ASSERT_NE(rule, nullptr);
    EXPECT_STREQ(rule->field, r.field);
    EXPECT_EQ(DcbToTermios(d, t), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(std::memcmp(&t, &before, sizeof t), 0);
  } else {
    EXPECT_EQ(rule, nullptr) << rule->field;
    ASSERT_EQ(DcbToTermios(d, t), 0u);
    if (r.holds) {
      EXPECT_TRUE(r.holds(t));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, ComPortDcbField, ::testing::ValuesIn(kFieldRows),
                         velkor::testing_support::RowIndexName());

TEST(ComPortDcbTable, EveryRowHasItsCasesAndSaysHowOrWhy) {
  for (const DcbRule& rule : DcbRules()) {
    EXPECT_GT(std::strlen(rule.rendering), 0u) << rule.field;
    bool accepted = false, refused = false;
    for (const FieldRow& r : kFieldRows) {
      if (std::strcmp(r.field, rule.field) != 0) continue;
      (r.refused ? refused : accepted) = true;
    }
    EXPECT_TRUE(accepted || refused) << rule.field << " has no case";
    EXPECT_TRUE(!rule.refuses || refused) << rule.field << " has no refused case";
  }
}

TEST(ComPortRateMapping, RatesWithoutConstantAreHandedBack) {
  termios t{};
  cfsetospeed(&t, B9600);
  DWORD other = 1;
  EXPECT_EQ(DcbToTermios(MakeDcb(31250, 8, NOPARITY, ONESTOPBIT), t, &other), 0u);
  EXPECT_EQ(other, 31250u);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
  EXPECT_EQ(DcbToTermios(MakeDcb(19200, 8, NOPARITY, ONESTOPBIT), t, &other), 0u);
  EXPECT_EQ(other, 0u);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B19200));
  // Rate 0 would drop the line.
  EXPECT_EQ(DcbToTermios(MakeDcb(0, 8, NOPARITY, ONESTOPBIT), t, &other), ERROR_INVALID_PARAMETER);
}

TEST(ComPortFlowMapping, HandshakesAndCharactersReachTermios) {
  termios t{};
  DCB d = MakeDcb(19200, 8, NOPARITY, ONESTOPBIT);
  d.fOutxCtsFlow = 1;
  d.fOutX = 1;
  d.fInX = 1;
  d.fTXContinueOnXoff = 1;
  d.fParity = 1;
  d.XonChar = 0x11;
  d.XoffChar = 0x13;
  ASSERT_EQ(DcbToTermios(d, t), 0u);
  EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
  EXPECT_NE(t.c_iflag & IXON, 0u);
  EXPECT_NE(t.c_iflag & IXOFF, 0u);
  EXPECT_NE(t.c_iflag & INPCK, 0u);
  EXPECT_EQ(t.c_cc[VSTART], 0x11);
  EXPECT_EQ(t.c_cc[VSTOP], 0x13);

  d.fOutxCtsFlow = 0;
  d.fRtsControl = RTS_CONTROL_HANDSHAKE;  // the other way to ask for it
  d.fOutX = d.fInX = d.fParity = 0;
  ASSERT_EQ(DcbToTermios(d, t), 0u);
  EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | INPCK), 0u);

  DCB back = MakeDcb(0, 0, 0, 0);
  back.XonLim = 77;  // no termios field, but with input flow control the tty's own: 0
  back.XoffLim = 77;
  TermiosToDcb(t, back);
  EXPECT_EQ(back.fRtsControl, RTS_CONTROL_HANDSHAKE);
  EXPECT_EQ(back.fOutxCtsFlow, 1u);
  EXPECT_EQ(back.XonLim, 0);
  EXPECT_EQ(back.XoffLim, 0);
  t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
  back.XonLim = 77;  // without it: kept
  TermiosToDcb(t, back);
  EXPECT_EQ(back.XonLim, 77);
}

struct NameRow {
  const char* name;
  const char* env;  // value of VELKOR_<name>, or null
  const char* path;
};
void PrintTo(const NameRow& r, std::ostream* os) { *os << r.name << (r.env ? " overridden" : ""); }


const char* gEnvValue = nullptr;
const char* FakeEnv(const char*) { return gEnvValue; }

class ComPortDeviceNames : public ::testing::TestWithParam<NameRow> {};

TEST_P(ComPortDeviceNames, MapToPaths) {
  gEnvValue = GetParam().env;
  EXPECT_EQ(DevicePathFor(GetParam().name, &FakeEnv), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(Rows, ComPortDeviceNames,
                         ::testing::Values(NameRow{"COM1", nullptr, "/dev/ttyS0"},
                                           NameRow{"COM2", nullptr, "/dev/ttyS1"},
                                           NameRow{"COM3", nullptr, "/dev/ttyUSB0"},
                                           NameRow{"COM4", nullptr, "/dev/ttyUSB1"},
                                           NameRow{"COM1", "/dev/pts/7", "/dev/pts/7"},
                                           NameRow{"\\\\.\\COM2", nullptr, "/dev/ttyS1"},
                                           NameRow{"COM4", "", "/dev/ttyUSB1"},
                                           NameRow{"COM5", "/dev/pts/7", "COM5"},
                                           NameRow{"/dev/ttyACM0", nullptr, "/dev/ttyACM0"}));

// The test binaries' own environment: no COM name may lead to a device.
TEST(ComPortDeviceNames, NoComNameReachesADeviceInTests) {
  for (const char* name : {"COM1", "COM2", "COM3", "COM4"})
    EXPECT_EQ(DevicePathFor(name).rfind("/dev/null/", 0), 0u) << name << " -> " << DevicePathFor(name);
}

TEST(ComPortErrnoCodes, OpenAndTransferFailures) {
  const std::pair<int, DWORD> onOpen[] = {
      {ENOENT, 2}, {ENODEV, 2}, {ENXIO, 2}, {EACCES, 5}, {EBUSY, 5}, {EPERM, 5}};
  for (auto [err, code] : onOpen) EXPECT_EQ(ErrorFromErrnoOnOpen(err), code) << err;
  // A line that goes away while open is "access denied", which closes the port.
  const std::pair<int, DWORD> later[] = {{EIO, 5}, {ENXIO, 5}, {ENODEV, 5}, {EBADF, 6}, {EINVAL, 87}};
  for (auto [err, code] : later) EXPECT_EQ(ErrorFromErrno(err), code) << err;
}

}  // namespace
}  // namespace velkor::posix
