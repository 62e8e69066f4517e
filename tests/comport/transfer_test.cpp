// Opening, settings and data transfer over a pseudo-terminal pair.
#include <gtest/gtest.h>

#include <sys/ioctl.h>

#include "comport/posix/dcb_termios.h"
#include "pty.h"

namespace velkor::test {
namespace {

class ComPortOnPty : public ::testing::Test {
 protected:
  void SetUp() override {
    port.SetDeviceName(pty.Path());
    port.SetOnError(TComErrorEvent(&rec, &Recorder::Error));
  }
  termios SlaveTermios() {
    termios t{};
    tcgetattr(pty.Slave(), &t);
    return t;
  }
  TMainLoop loop;
  PtyPair pty;
  Recorder rec;
  TComPort port{nullptr};
};

TEST_F(ComPortOnPty, OpensClosesAndReopensWithHandlersInOrder) {
  port.SetBeforeOpen(TOpenCloseEvent(&rec, &Recorder::BeforeOpen));
  port.SetAfterOpen(TOpenCloseEvent(&rec, &Recorder::AfterOpen));
  port.SetBeforeClose(TOpenCloseEvent(&rec, &Recorder::BeforeClose));
  port.SetAfterClose(TOpenCloseEvent(&rec, &Recorder::AfterClose));
  for (int i = 0; i < 2; ++i) {
    port.SetActive(true);
    EXPECT_TRUE(port.Active());
    port.Open();  // already open: no handler
    port.SetActive(false);
    EXPECT_FALSE(port.Active());
  }
  const std::vector<std::string> once = {"BeforeOpen", "AfterOpen", "BeforeClose", "AfterClose"};
  std::vector<std::string> twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(rec.Calls(), twice);
}

TEST_F(ComPortOnPty, SettingsWrittenWhileClosedAreAppliedAtOpen) {
  port.SetBaudRate(br38400);
  port.SetDataBits(db8);
  port.SetParity(paNone);
  port.SetStopBits(sb1);
  termios t = SlaveTermios();
  EXPECT_NE(cfgetospeed(&t), B38400);  // openpty's default is not 38400
  port.Open();
  t = SlaveTermios();
  EXPECT_EQ(cfgetospeed(&t), B38400);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_lflag & ICANON, 0u);
}

TEST_F(ComPortOnPty, LineSettingsFollowAnOpenPort) {
  port.Open();
  port.SetBaudRate(br9600);
  port.SetStopBits(sb2);
  termios t = SlaveTermios();
  EXPECT_EQ(cfgetospeed(&t), B9600);
  EXPECT_NE(t.c_cflag & CSTOPB, 0u);
  // Rates without a termios constant go through termios2.
  port.SetCustomBaudRate(31250);
  unsigned rate = 0;
  ASSERT_EQ(posix::GetOtherRate(pty.Slave(), &rate), 0);
  EXPECT_EQ(rate, 31250u);
  port.SetBaudRate(br38400);
  t = SlaveTermios();
  EXPECT_EQ(cfgetospeed(&t), B38400);
  // A setting the line refuses: raised from the setter, the property keeps it.
  EXPECT_THROW(port.SetDataBits(db4), EComError);
  EXPECT_EQ(port.DataBits(), db4);
  t = SlaveTermios();
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
}

TEST_F(ComPortOnPty, ClosedOnlySettingsRefuseAChangeWhileOpen) {
  port.Open();
  port.SetDeviceName(pty.Path());  // the stored value again: nothing
  const std::function<void()> changes[] = {[&] { port.SetDeviceName("/dev/other"); },
                                           [&] { port.SetSynchronizeEvents(false); },
                                           [&] { port.SetPriorityClass(pcHigh); }};
  for (const auto& change : changes) {
    try {
      change();
      ADD_FAILURE() << "no exception";
    } catch (const EComError& e) {
      EXPECT_STREQ(e.what(), "Can't perform this operation on an open port");
      EXPECT_EQ(e.WinError, 0);
    }
  }
  EXPECT_EQ(port.DeviceName(), pty.Path());
  EXPECT_TRUE(port.SynchronizeEvents());
  EXPECT_EQ(port.PriorityClass(), pcDefault);
}

TEST_F(ComPortOnPty, SecondOpenerIsRefusedWithCodeFive) {
  port.Open();
  TComPort other(nullptr);
  other.SetDeviceName(pty.Path());
  try {
    other.Open();
    FAIL() << "device opened twice";
  } catch (const EComError& e) {
    EXPECT_EQ(e.WinError, 5);
  }
  port.Close();
  EXPECT_NO_THROW(other.Open());
}

TEST_F(ComPortOnPty, StoredActiveOpensOnlyOnceLoadingEnds) {
  port.BeginLoading();
  port.SetActive(true);
  EXPECT_FALSE(port.Active());
  port.FinishLoading();
  EXPECT_TRUE(port.Active());
  EXPECT_NE(port.WriteDescription().find("Active = True"), std::string::npos);
}

TEST_F(ComPortOnPty, ReadTextReturnsExactlyTheWaitingBytes) {
  port.SetBeforeRead(TReadWriteEvent(&rec, &Recorder::BeforeRead));
  port.SetAfterRead(TReadWriteEvent(&rec, &Recorder::AfterRead));
  port.Open();
  std::string text = "stale";
  port.ReadText(text);
  EXPECT_EQ(text, "");
  EXPECT_EQ(rec.lengths, (std::vector<std::int32_t>{0, 0}));

  pty.Send("PL1abcdefghi");
  ASSERT_TRUE(Eventually([&] { return port.ReceivedCount() == 12; }));
  port.ReadText(text);
  EXPECT_EQ(text, "PL1abcdefghi");
  EXPECT_EQ(port.ReceivedCount(), 0u);
}

TEST_F(ComPortOnPty, EveryByteValuePassesBothWays) {
  port.Open();
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  port.WriteText(all);
  EXPECT_EQ(pty.Receive(256), all);

  pty.Send(all);
  std::string got;
  ASSERT_TRUE(Eventually([&] {
    std::string part;
    port.ReadText(part);
    got += part;
    return got.size() >= 256;
  }));
  EXPECT_EQ(got, all);
}

TEST_F(ComPortOnPty, SecondWriteTextWaitsForTheFirst) {
  port.Open();
  // More than a pty holds: the first write stays pending until the far end reads.
  const std::string big(256 * 1024, 'a');
  port.WriteText(big);
  EXPECT_TRUE(port.IsWritePending());
  std::string got;
  std::thread reader([&] { got = pty.Receive(big.size() + 3, 5000ms); });
  port.WriteText("END");
  port.CompleteWrite();
  reader.join();
  ASSERT_EQ(got.size(), big.size() + 3);
  EXPECT_EQ(got.substr(big.size()), "END");
  EXPECT_EQ(got.find_first_not_of('a'), big.size());
}

TEST_F(ComPortOnPty, ReadWithoutWaitingCompletesLater) {
  port.SetAfterRead(TReadWriteEvent(&rec, &Recorder::AfterRead));
  port.Open();
  pty.Send("1234");
  char buf[10] = {};
  port.Read(buf, 10, false);  // returns at once
  EXPECT_EQ(rec.Count("AfterRead"), 1u);
  EXPECT_TRUE(port.IsReadPending());
  std::thread sender([&] {
    std::this_thread::sleep_for(50ms);
    pty.Send("567890");
  });
  port.CompleteRead();  // no time-outs: waits for all ten
  sender.join();
  EXPECT_EQ(std::string(buf, 10), "1234567890");
}

TEST_F(ComPortOnPty, ReadEndedEarlyByTimeoutRaisesTimeout) {
  port.Timeouts().SetReadConstant(300);
  port.Open();
  pty.Send("1234");
  ASSERT_TRUE(Eventually([&] { return port.ReceivedCount() == 4; }));
  char buf[10] = {};
  port.Read(buf, 10, false);
  std::string text;
  try {
    port.ReadText(text);  // completes the earlier read first
    FAIL() << "no timeout";
  } catch (const EComError& e) {
    EXPECT_STREQ(e.what(), "Timeout");
    EXPECT_EQ(e.WinError, 0);
  }
  EXPECT_EQ(std::string(buf, 4), "1234");
  EXPECT_EQ(rec.errorTexts, std::vector<std::string>{"Timeout"});
}

TEST_F(ComPortOnPty, DiscardInputDropsWaitingBytesAndEndsAPendingRead) {
  port.Open();
  pty.Send("garbage");
  ASSERT_TRUE(Eventually([&] { return port.ReceivedCount() == 7; }));
  port.DiscardInput();
  EXPECT_EQ(port.ReceivedCount(), 0u);
  char buf[4];
  port.Read(buf, 4, false);
  EXPECT_TRUE(port.IsReadPending());
  port.DiscardInput();
  EXPECT_FALSE(port.IsReadPending());
  EXPECT_NO_THROW(port.CompleteRead());
  port.DiscardOutput();
}

TEST_F(ComPortOnPty, ModemStatusFailsWhereTheDeviceHasNoLines) {
  port.Open();
  try {
    port.ModemStatus();
    FAIL() << "a pty reported modem lines";
  } catch (const EComError& e) {
    EXPECT_EQ(e.WinError, 1);  // ENOTTY: not a failure of the port itself
  }
}

TEST_F(ComPortOnPty, PriorityClassHoldsWhileOpenAndIsRestored) {
  const DWORD before = GetPriorityClass(GetCurrentProcess());
  port.SetPriorityClass(pcHigh);
  port.Open();
  // As root this is the class itself; otherwise as far as the user may go.
  if (geteuid() == 0) {
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), HIGH_PRIORITY_CLASS);
  }
  port.Close();
  EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), before);

  port.SetDeviceName("/dev/velkor-no-such-tty");  // fails half-way: restored as well
  EXPECT_THROW(port.Open(), EComError);
  EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), before);
}

}  // namespace
}  // namespace velkor::test
