// Modem lines and line errors, which ptys lack, through a fake under the
// platform layer's ioctl seam.
#include <gtest/gtest.h>

#include <sys/eventfd.h>
#include <sys/ioctl.h>

#include <atomic>

#include "comport/posix/tty_lines.h"
#include "pty.h"
#include "support/row_names.h"

namespace velkor::test {
namespace {

class FakeLines : public posix::TtyLines {
 public:
  FakeLines() : changes_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  ~FakeLines() override { close(changes_); }
  int GetModemBits(int, int* bits) override {
    *bits = modem.load();
    return 0;
  }
  // A driver with the modem-line wait, when asked for; a signal ends it.
  int WaitModemChange(int fd) override {
    if (!modemWait) return TtyLines::WaitModemChange(fd);
    ++waitsBegun;
    pollfd p{changes_, POLLIN, 0};
    if (poll(&p, 1, -1) < 0) {
      const int err = errno;
      if (err == EINTR) ++waitsInterrupted;
      return err;
    }
    std::uint64_t n;
    [[maybe_unused]] ssize_t r = read(changes_, &n, sizeof n);
    return 0;
  }
  void RaiseModemChange(int bits) {
    modem = bits;
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t r = write(changes_, &one, sizeof one);
  }
  int SetAttributes(int fd, const termios& tio) override {
    return refuseAttributes ? EIO : TtyLines::SetAttributes(fd, tio);
  }
  std::atomic<bool> modemWait{false}, refuseAttributes{false};
  std::atomic<int> waitsBegun{0}, waitsInterrupted{0};
  int SetModemBits(int, int set, int clear) override {
    lastSet = set;
    lastClear = clear;
    return 0;
  }
  std::atomic<int> lastSet{-1}, lastClear{-1};
  int GetCounters(int, posix::LineCounters* c) override {
    std::lock_guard lk(m);
    *c = counters;
    return 0;
  }
  std::atomic<int> modem{0};
  std::mutex m;
  posix::LineCounters counters;

 private:
  int changes_;
};

class ComPortFakeLines : public ::testing::Test {
 protected:
  void SetUp() override { port.SetDeviceName(pty.Path()); }
  void TearDown() override { port.Close(); }
  void AddParityError() {
    std::lock_guard lk(lines.m);
    ++lines.counters.parity;
  }
  TMainLoop loop;
  PtyPair pty;
  FakeLines lines;
  posix::TtyLinesAt fakeLines{pty.Path(), lines};
  Recorder rec;
  TComPort port{nullptr};
};

struct ModemRow {
  int tiocm;
  TModemStatus expected;
};
void PrintTo(const ModemRow& r, std::ostream* os) { *os << "TIOCM " << r.tiocm; }


class ComPortModemLines : public ComPortFakeLines, public ::testing::WithParamInterface<ModemRow> {};

TEST_P(ComPortModemLines, MapToModemStatus) {
  lines.modem = GetParam().tiocm;
  port.Open();
  EXPECT_EQ(port.ModemStatus(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ComPortModemLines,
    ::testing::Values(ModemRow{0, {}}, ModemRow{TIOCM_CTS | TIOCM_DSR, {msCTS, msDSR}},
                      ModemRow{TIOCM_RI | TIOCM_CD | TIOCM_DTR, {msRing, msRLSD}},
                      ModemRow{TIOCM_CTS | TIOCM_DSR | TIOCM_RI | TIOCM_CD,
                               {msCTS, msDSR, msRing, msRLSD}}));

struct HandshakeRow {
  TDTRControl dtr;
  TRTSControl rts;
  int linesAtOpen;
  int set, clear;  // what the last control block change did to the lines
};
void PrintTo(const HandshakeRow& r, std::ostream* os) { *os << int(r.dtr) << "/" << int(r.rts); }

class ComPortHandshakeLines : public ComPortFakeLines, public ::testing::WithParamInterface<HandshakeRow> {};

TEST_P(ComPortHandshakeLines, DefaultKeepsTheLinesAsOpened) {
  lines.modem = GetParam().linesAtOpen;
  port.FlowControl().SetDTR(GetParam().dtr);
  port.FlowControl().SetRTS(GetParam().rts);
  port.Open();
  EXPECT_EQ(lines.lastSet, GetParam().set);
  EXPECT_EQ(lines.lastClear, GetParam().clear);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ComPortHandshakeLines,
    ::testing::Values(HandshakeRow{dcDefault, rcDefault, TIOCM_DTR | TIOCM_RTS, TIOCM_DTR | TIOCM_RTS, 0},
                      HandshakeRow{dcDefault, rcDefault, 0, 0, TIOCM_DTR | TIOCM_RTS},
                      HandshakeRow{dcDisable, rcDefault, TIOCM_DTR | TIOCM_RTS, TIOCM_RTS, TIOCM_DTR},
                      HandshakeRow{dcEnable, rcDisable, 0, TIOCM_DTR, TIOCM_RTS},
                      // handshaking drives RTS itself
                      HandshakeRow{dcEnable, rcHandshake, 0, TIOCM_DTR, 0}));

TEST(ComPortLineErrorWord, ConvertsEveryKnownBitAndIgnoresOthers) {
  EXPECT_EQ(ToLineErrors(0x0004), TLineErrors({leParity}));
  EXPECT_EQ(ToLineErrors(0x0001 | 0x0002 | 0x0008 | 0x0010 | 0x20 | 0x40),
            TLineErrors({leRxOverflow, leOverrun, leFrame, leBreak}));
  EXPECT_EQ(ToLineErrors(0x8000 | 0x1000 | 0x0800 | 0x0400 | 0x0200 | 0x0100),
            TLineErrors({leMode, leOutOfPaper, leDeviceNotSelected, leIO, leDeviceTimeOut, leTxFull}));
}

TEST_F(ComPortFakeLines, ParityErrorIsReportedOnceThenCleared) {
  port.SetOnLineError(TLineErrorEvent(&rec, &Recorder::LineError));
  port.Open();
  AddParityError();
  port.PollLineErrors();
  port.PollLineErrors();
  ASSERT_EQ(rec.lineErrors.size(), 1u);
  EXPECT_EQ(rec.lineErrors[0], TLineErrors({leParity}));
  // The completion step of a write sees the next one.
  AddParityError();
  port.WriteText("x");
  port.CompleteWrite();
  EXPECT_EQ(rec.lineErrors.size(), 2u);
}

TEST_F(ComPortFakeLines, WithoutHandlerErrorsAreClearedSilently) {
  port.Open();
  AddParityError();
  EXPECT_EQ(port.ReceivedCount(), 0u);
  port.SetOnLineError(TLineErrorEvent(&rec, &Recorder::LineError));
  port.PollLineErrors();
  EXPECT_TRUE(rec.lineErrors.empty());
}

TEST_F(ComPortFakeLines, EventThreadReportsLineErrorsAndModemChanges) {
  port.SetOnLineError(TLineErrorEvent(&rec, &Recorder::LineError));
  port.SetOnCTSChange(TNotifyEvent(&rec, &Recorder::CTSChange));
  port.Open();
  AddParityError();
  lines.modem = TIOCM_CTS;
  pty.Send("?");  // the byte that came with the error wakes the thread
  ASSERT_TRUE(loop.PumpUntil([&] { return rec.Count("CTSChange") + rec.Count("LineError") == 2; },
                             2000ms));
  EXPECT_EQ(rec.Count("CTSChange"), 1u);
  ASSERT_EQ(rec.lineErrors.size(), 1u);
  EXPECT_EQ(rec.lineErrors[0], TLineErrors({leParity}));
}

// A handler that destroys its port, as a window closing on a line change
// would: the other events of the same wake are dropped, not served by the
// destroyed port.
TEST_F(ComPortFakeLines, PortDestroyedByAHandlerCallsNoOtherHandler) {
  auto doomed = std::make_unique<TComPort>(nullptr);
  doomed->SetDeviceName(pty.Path());
  struct Closer {
    std::unique_ptr<TComPort>* port;
    void CTSChange(TObject*) { port->reset(); }
  } closer{&doomed};
  doomed->SetOnCTSChange(TNotifyEvent(&closer, &Closer::CTSChange));  // served before OnRxChar
  doomed->SetOnRxChar(TNotifyEvent(&rec, &Recorder::RxChar));
  doomed->Open();
  lines.modem = TIOCM_CTS;
  pty.Send("?");  // one wake: a byte and the CTS change
  ASSERT_TRUE(loop.PumpUntil([&] { return !doomed; }, 2000ms));
  loop.PumpUntil([] { return false; }, 200ms);
  EXPECT_EQ(rec.Count("RxChar"), 0u);
}

// On a driver with the modem-line wait, a change reaches its handler with no
// byte received to wake the event thread. The median of five changes, so that
// one scheduling delay of a loaded machine does not decide.
TEST_F(ComPortFakeLines, ModemChangeWithoutDataReachesTheHandlerAtOnce) {
  lines.modemWait = true;
  struct Timed {
    std::chrono::steady_clock::time_point at;
    int calls = 0;
    void CTSChange(TObject*) {
      at = std::chrono::steady_clock::now();
      ++calls;
    }
  } handler;
  port.SetOnCTSChange(TNotifyEvent(&handler, &Timed::CTSChange));
  port.Open();
  std::vector<double> ms;
  for (int i = 1; i <= 5; ++i) {
    ASSERT_TRUE(Eventually([&] { return lines.waitsBegun >= i; }));
    const auto raised = std::chrono::steady_clock::now();
    lines.RaiseModemChange(i % 2 ? TIOCM_CTS : 0);
    ASSERT_TRUE(loop.PumpUntil([&] { return handler.calls == i; }, 2000ms)) << "change " << i;
    ms.push_back(std::chrono::duration<double, std::milli>(handler.at - raised).count());
  }
  std::sort(ms.begin(), ms.end());
  std::printf("CTS change to its handler, no data: median %.3f ms, longest %.3f ms\n", ms[2], ms[4]);
  EXPECT_LT(ms[2], 50.0);
  EXPECT_EQ(port.ModemStatus(), TModemStatus({msCTS}));
}

struct ModemWaitEndRow {
  const char* what;
  void (*end)(TComPort& port);
};
void PrintTo(const ModemWaitEndRow& r, std::ostream* os) { *os << r.what; }

class ComPortModemWaitEnd : public ComPortFakeLines, public ::testing::WithParamInterface<ModemWaitEndRow> {};

// The helper blocked in the driver's wait is interrupted and gone: nothing is
// left waiting on a descriptor about to close.
TEST_P(ComPortModemWaitEnd, InterruptsTheDriverWait) {
  lines.modemWait = true;
  const int threads = ThreadsSettled();
  port.SetOnCTSChange(TNotifyEvent(&rec, &Recorder::CTSChange));
  port.Open();
  ASSERT_TRUE(Eventually([&] { return lines.waitsBegun > 0; }));
  GetParam().end(port);
  EXPECT_EQ(lines.waitsInterrupted, 1);
  EXPECT_TRUE(Eventually([&] { return CountEntries("/proc/self/task") <= threads; }));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ComPortModemWaitEnd,
    ::testing::Values(ModemWaitEndRow{"mask_without_lines", [](TComPort& p) { p.SetOnCTSChange({}); }},
                      ModemWaitEndRow{"close", [](TComPort& p) { p.Close(); }}),
    velkor::testing_support::RowIndexName());

TEST_F(ComPortFakeLines, OpenFailingAfterTakingTheTtyGivesItBack) {
  lines.refuseAttributes = true;
  const int fds = OpenDescriptors();
  try {
    port.Open();
    FAIL() << "opened with its attributes refused";
  } catch (const EComError& e) {
    EXPECT_EQ(e.WinError, 5);  // EIO
  }
  int exclusive = -1;
  ASSERT_EQ(ioctl(pty.Slave(), TIOCGEXCL, &exclusive), 0);
  EXPECT_EQ(exclusive, 0);
  EXPECT_EQ(OpenDescriptors(), fds);
}

// opAbortOnError: a line error ends the transfer in progress with error 995;
// the next transfer, which clears the device's errors first, goes through.
TEST_F(ComPortFakeLines, AbortOnErrorEndsTheTransferInProgress) {
  port.SetOptions({opAbortOnError});
  port.Timeouts().SetReadConstant(500);  // without the error state: "Timeout"
  port.SetOnError(TComErrorEvent(&rec, &Recorder::Error));
  port.Open();
  char buf[10] = {};
  port.Read(buf, 10, false);
  AddParityError();
  pty.Send("x");  // the byte received in error
  try {
    port.CompleteRead();
    FAIL() << "no error";
  } catch (const EComError& e) {
    EXPECT_EQ(e.WinError, 995);
  }
  std::string text;
  ASSERT_TRUE(Eventually([&] {
    port.ReadText(text);
    return !text.empty();
  }));
  EXPECT_EQ(text, "x");
}

}  // namespace
}  // namespace velkor::test
