// The layer's Win32 calls as Windows answers them, call by call: return
// value, last error, the OVERLAPPED record and its event, byte counts. On a
// pseudo-terminal, with fake modem lines and error counters where it has none.
#include <gtest/gtest.h>

#include <sys/ioctl.h>

#include <atomic>

#include "comport/posix/tty_lines.h"
#include "pty.h"
#include "support/row_names.h"

namespace velkor::test {
namespace {

using velkor::testing_support::RowIndexName;

constexpr DWORD kMarker = 0xBEEF;   // a last error that no call here produces
constexpr DWORD kBig = 256 * 1024;  // more than a pty holds: a write that waits

template <class Row>
  requires requires(const Row& r) { r.what; }
void PrintTo(const Row& r, std::ostream* os) {
  *os << r.what;
}

// Modem lines and error counters, which a pty lacks.
struct FakeLines : posix::TtyLines {
  int GetModemBits(int, int* bits) override {
    *bits = modem;
    return 0;
  }
  int GetCounters(int, posix::LineCounters* c) override {
    c->parity = parity;
    return 0;
  }
  std::atomic<int> modem{0};
  std::atomic<std::uint32_t> parity{0};
};

// A pty opened through CreateFileA, and the events of the test's records.
struct Line {
  ~Line() {
    if (port != INVALID_HANDLE_VALUE) CloseHandle(port);
    for (HANDLE e : events) CloseHandle(e);
  }
  void Open(bool overlapped) {
    port = CreateFileA(pty.Path().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) throw std::runtime_error("CreateFileA");
  }
  OVERLAPPED Record() {
    OVERLAPPED ov{};
    ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    events.push_back(ov.hEvent);
    return ov;
  }
  // The far end sends; its bytes are in the input queue on return.
  void Send(const std::string& bytes) {
    COMSTAT before{};
    ClearCommError(port, nullptr, &before);
    pty.Send(bytes);
    if (!Eventually([&] {
          COMSTAT st{};
          return ClearCommError(port, nullptr, &st) && st.cbInQue == before.cbInQue + bytes.size();
        }))
      throw std::runtime_error("bytes not received");
  }
  void WriteOne() {
    OVERLAPPED ov = Record();
    DWORD n = 0;
    if (!WriteFile(port, "w", 1, &n, &ov) || pty.Receive(1) != "w") throw std::runtime_error("write");
  }

  PtyPair pty;
  FakeLines lines;
  posix::TtyLinesAt fakeLines{pty.Path(), lines};
  HANDLE port = INVALID_HANDLE_VALUE;
  std::vector<HANDLE> events;
};

template <class Row>
struct OnLine : ::testing::TestWithParam<Row> {
  Line line;
};

// A finished operation as Windows leaves it: its event set, status and count
// in the record, and GetOverlappedResult answering from the record alone,
// whatever the event's state.
void ExpectFinished(HANDLE port, OVERLAPPED& ov, DWORD count, ULONG_PTR status = 0) {
  EXPECT_EQ(WaitForSingleObject(ov.hEvent ? ov.hEvent : port, 2000), WAIT_OBJECT_0);
  EXPECT_TRUE(HasOverlappedIoCompleted(&ov));
  EXPECT_EQ(ov.Internal, status);
  EXPECT_EQ(ov.InternalHigh, count);
  if (ov.hEvent) ResetEvent(ov.hEvent);
  DWORD n = 0;
  ASSERT_TRUE(GetOverlappedResult(port, &ov, &n, FALSE)) << GetLastError();
  EXPECT_EQ(n, count);
  n = 0;
  ASSERT_TRUE(GetOverlappedResult(port, &ov, &n, TRUE)) << GetLastError();  // returns at once
  EXPECT_EQ(n, count);
}

// ---------------------------------------------------------------- WaitCommEvent

struct WaitRow {
  const char* what;
  DWORD mask;
  void (*before)(Line& l);  // before the call: the wait finishes at once
  void (*after)(Line& l);   // otherwise it is pending until this
  DWORD events;
};

struct Win32WaitCommEvent : OnLine<WaitRow> {};

TEST_P(Win32WaitCommEvent, FinishesWithItsEventAndFourBytes) {
  const WaitRow& r = GetParam();
  line.Open(true);
  ASSERT_TRUE(SetCommMask(line.port, r.mask));
  if (r.before) r.before(line);
  OVERLAPPED ov = line.Record();
  DWORD m = 0xFFFF;
  SetLastError(kMarker);
  if (r.before) {
    EXPECT_TRUE(WaitCommEvent(line.port, &m, &ov));
    EXPECT_EQ(GetLastError(), kMarker);
  } else {
    ASSERT_FALSE(WaitCommEvent(line.port, &m, &ov));
    EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
    EXPECT_FALSE(HasOverlappedIoCompleted(&ov));
    EXPECT_EQ(WaitForSingleObject(ov.hEvent, 20), WAIT_TIMEOUT);
    r.after(line);
  }
  ExpectFinished(line.port, ov, sizeof(DWORD));
  EXPECT_EQ(m, r.events);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Win32WaitCommEvent,
    ::testing::Values(WaitRow{"at once", EV_TXEMPTY, [](Line& l) { l.WriteOne(); }, nullptr, EV_TXEMPTY},
                      WaitRow{"pending", EV_RXCHAR, nullptr, [](Line& l) { l.pty.Send("x"); }, EV_RXCHAR},
                      WaitRow{"ended by a new mask", EV_RXCHAR, nullptr,
                              [](Line& l) { SetCommMask(l.port, EV_RXFLAG); }, 0}),
    RowIndexName());

// An event counts only while its bit is in the mask: what happened before
// SetCommMask asked for it is not reported; what a bit kept through a new
// mask saw still is.
struct MaskRow {
  const char* what;
  DWORD maskBefore, maskAfter;
  void (*happen)(Line& l);
  DWORD reported;  // at once; 0: nothing, the wait is pending
};

struct Win32EventsAndMask : OnLine<MaskRow> {};

TEST_P(Win32EventsAndMask, OnlyWhatHappensWhileAskedForIsReported) {
  const MaskRow& r = GetParam();
  line.Open(true);
  ASSERT_TRUE(SetCommMask(line.port, r.maskBefore));
  r.happen(line);
  ASSERT_TRUE(SetCommMask(line.port, r.maskAfter));
  OVERLAPPED ov = line.Record();
  DWORD m = 0;
  if (r.reported) {
    EXPECT_TRUE(WaitCommEvent(line.port, &m, &ov));
    EXPECT_EQ(m, r.reported);
  } else {
    EXPECT_FALSE(WaitCommEvent(line.port, &m, &ov)) << "reported " << m;
    EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
    EXPECT_EQ(WaitForSingleObject(ov.hEvent, 50), WAIT_TIMEOUT) << "reported " << m;
    // Ending, the wait writes its mask: end it while `m` and `ov` exist.
    CloseHandle(line.port);
    line.port = INVALID_HANDLE_VALUE;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Win32EventsAndMask,
    ::testing::Values(
        MaskRow{"bytes before EV_RXCHAR", 0, EV_RXCHAR, [](Line& l) { l.Send("ab"); }, 0},
        MaskRow{"CTS before EV_CTS", EV_RXCHAR, EV_RXCHAR | EV_CTS, [](Line& l) { l.lines.modem = TIOCM_CTS; }, 0},
        MaskRow{"parity error before EV_ERR", EV_RXCHAR, EV_ERR, [](Line& l) { ++l.lines.parity; }, 0},
        MaskRow{"write drained before EV_TXEMPTY", EV_RXCHAR, EV_TXEMPTY, [](Line& l) { l.WriteOne(); }, 0},
        MaskRow{"bytes kept through a wider mask", EV_RXCHAR, EV_RXCHAR | EV_TXEMPTY,
                [](Line& l) { l.Send("ab"); }, EV_RXCHAR}),
    RowIndexName());

// ---------------------------------------------------------------- ReadFile, WriteFile

struct TransferRow {
  const char* what;
  bool write;
  DWORD size;
  bool pending;  // the far end sends, or reads, only after the call
  bool noEvent;  // the record names no event: the handle is signalled
  DWORD sent = 0;  // a read's time-out of 50 ms ends it after these bytes
};

struct Win32Transfer : OnLine<TransferRow> {};

TEST_P(Win32Transfer, FinishesWithItsEventAndCount) {
  const TransferRow& r = GetParam();
  line.Open(true);
  if (r.sent) {
    COMMTIMEOUTS t{0, 0, 50, 0, 0};
    ASSERT_TRUE(SetCommTimeouts(line.port, &t));
  }
  const DWORD moved = r.sent ? r.sent : r.size;
  const std::string bytes(moved, 'b');
  std::string buffer(r.size, '\0');
  if (!r.write && !r.pending) line.Send(bytes);
  OVERLAPPED ov = line.Record();
  if (r.noEvent) ov.hEvent = nullptr;
  DWORD n = 0xFFFF;
  SetLastError(kMarker);
  const BOOL ok = r.write ? WriteFile(line.port, bytes.data(), r.size, &n, &ov)
                          : ReadFile(line.port, buffer.data(), r.size, &n, &ov);
  std::string sent;
  if (r.pending) {
    ASSERT_FALSE(ok);
    EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
    EXPECT_EQ(n, 0u);
    EXPECT_FALSE(HasOverlappedIoCompleted(&ov));
    if (r.write)
      sent = line.pty.Receive(r.size);
    else
      line.pty.Send(bytes);
  } else {
    ASSERT_TRUE(ok) << GetLastError();
    EXPECT_EQ(GetLastError(), kMarker);
    EXPECT_EQ(n, r.size);
    if (r.write) sent = line.pty.Receive(r.size);
  }
  // Cut short by its time-out: STATUS_TIMEOUT, no failure.
  ExpectFinished(line.port, ov, moved, r.sent ? 0x102 : 0);
  EXPECT_EQ(r.write ? sent : buffer.substr(0, moved), bytes);
}

INSTANTIATE_TEST_SUITE_P(Rows, Win32Transfer,
                         ::testing::Values(TransferRow{"read at once", false, 3, false, false},
                                           TransferRow{"read pending", false, 3, true, false},
                                           TransferRow{"read without event", false, 3, true, true},
                                           TransferRow{"write at once", true, 3, false, false},
                                           TransferRow{"write pending", true, kBig, true, false},
                                           TransferRow{"read cut by its time-out", false, 3, true, false, 1}),
                         RowIndexName());

// ---------------------------------------------------------------- both kinds of handle

enum CallKind { kReadFile, kWriteFile, kWaitCommEvent };
constexpr const char* kCallNames[] = {"ReadFile", "WriteFile", "WaitCommEvent"};
constexpr DWORD kMoved[] = {3, kBig, EV_RXCHAR};        // what the call gives back
constexpr DWORD kRecordCount[] = {3, kBig, sizeof(DWORD)};  // InternalHigh

// Makes the call with the far end acting 50 ms later, so that a call that
// runs to its end has to wait for it.
BOOL MakeCall(CallKind call, Line& l, OVERLAPPED* ov, bool succeeds, DWORD* moved) {
  const std::string big(kBig, 'w');
  char buf[3];
  if (call == kWaitCommEvent) SetCommMask(l.port, EV_RXCHAR);
  std::thread far([&] {
    std::this_thread::sleep_for(50ms);
    if (call == kWriteFile)
      l.pty.Receive(kBig, succeeds ? 5000ms : 100ms);
    else
      l.pty.Send(call == kReadFile ? "abc" : "x");
  });
  const BOOL ok = call == kReadFile    ? ReadFile(l.port, buf, 3, moved, ov)
                  : call == kWriteFile ? WriteFile(l.port, big.data(), kBig, moved, ov)
                                       : WaitCommEvent(l.port, moved, ov);
  far.join();
  return ok;
}

struct HandleRow {
  CallKind call;
  bool overlappedHandle, record;
  DWORD error;  // 0: the call succeeds, synchronously
};
void PrintTo(const HandleRow& r, std::ostream* os) { *os << kCallNames[r.call]; }

struct Win32HandleKinds : OnLine<HandleRow> {};

TEST_P(Win32HandleKinds, OverlappedNeedsARecordOtherwiseTheCallRunsToItsEnd) {
  const HandleRow& r = GetParam();
  line.Open(r.overlappedHandle);
  OVERLAPPED ov = line.Record();
  DWORD moved = 0;
  SetLastError(kMarker);
  const BOOL ok = MakeCall(r.call, line, r.record ? &ov : nullptr, r.error == 0, &moved);
  if (r.error != 0) {
    EXPECT_FALSE(ok);
    EXPECT_EQ(GetLastError(), r.error);
    return;
  }
  ASSERT_TRUE(ok) << GetLastError();
  EXPECT_EQ(GetLastError(), kMarker);
  EXPECT_EQ(moved, kMoved[r.call]);
  if (r.record) {
    // Used for its event, and filled in as Windows does.
    EXPECT_EQ(WaitForSingleObject(ov.hEvent, 0), WAIT_OBJECT_0);
    EXPECT_EQ(ov.Internal, 0u);
    EXPECT_EQ(ov.InternalHigh, kRecordCount[r.call]);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, Win32HandleKinds,
                         ::testing::Values(HandleRow{kReadFile, true, false, ERROR_INVALID_PARAMETER},
                                           HandleRow{kReadFile, false, true, 0},
                                           HandleRow{kReadFile, false, false, 0},
                                           HandleRow{kWriteFile, true, false, ERROR_INVALID_PARAMETER},
                                           HandleRow{kWriteFile, false, true, 0},
                                           HandleRow{kWriteFile, false, false, 0},
                                           HandleRow{kWaitCommEvent, true, false, ERROR_INVALID_PARAMETER},
                                           HandleRow{kWaitCommEvent, false, true, 0},
                                           HandleRow{kWaitCommEvent, false, false, 0}),
                         [](const ::testing::TestParamInfo<HandleRow>& row) {
                           const HandleRow& r = row.param;
                           return std::string(kCallNames[r.call]) + (r.overlappedHandle ? "_overlapped" : "_plain") +
                                  (r.record ? "_with_record" : "_without_record");
                         });

// ---------------------------------------------------------------- GetCommState, SetCommState

struct StateRow {
  const char* what;
  void (*set)(termios& t);
};

struct Win32CommState : OnLine<StateRow> {};

// What GetCommState gives goes back through SetCommState, whatever the tty
// was set to behind the layer's back.
TEST_P(Win32CommState, RoundTripsWhateverTheTty) {
  line.Open(true);
  termios t{};
  GetParam().set(t);
  ASSERT_EQ(tcsetattr(line.pty.Slave(), TCSANOW, &t), 0);
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  ASSERT_TRUE(GetCommState(line.port, &dcb));
  EXPECT_EQ(dcb.XonChar, 0x11);  // the tty's are equal: the usual ones
  EXPECT_EQ(dcb.XoffChar, 0x13);
  SetLastError(kMarker);
  EXPECT_TRUE(SetCommState(line.port, &dcb)) << GetLastError();
}

INSTANTIATE_TEST_SUITE_P(Rows, Win32CommState,
                         ::testing::Values(StateRow{"zeroed", [](termios&) {}},
                                           StateRow{"input flow control, equal characters",
                                                    [](termios& tio) {
                                                      tio.c_iflag = IXOFF;
                                                      tio.c_cflag = CS8 | CREAD | CRTSCTS;
                                                      tio.c_cc[VSTART] = tio.c_cc[VSTOP] = 'A';
                                                    }}),
                         RowIndexName());

}  // namespace
}  // namespace velkor::test
