// Port behaviour that needs no line: storage rules, handlers, guards, errors.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "pty.h"

namespace velkor::test {
namespace {

TEST(ComPortHandlers, EqualWhenSameObjectAndMember) {
  Recorder a, b;
  const TNotifyEvent empty;
  EXPECT_FALSE(empty);
  EXPECT_TRUE(TNotifyEvent(&a, &Recorder::RxChar));
  EXPECT_EQ(TNotifyEvent(&a, &Recorder::RxChar), Bind(&a, &Recorder::RxChar));
  EXPECT_FALSE(TNotifyEvent(&a, &Recorder::RxChar) == TNotifyEvent(&a, &Recorder::TxEmpty));
  EXPECT_FALSE(TNotifyEvent(&a, &Recorder::RxChar) == TNotifyEvent(&b, &Recorder::RxChar));
  EXPECT_FALSE(TNotifyEvent(&a, &Recorder::RxChar) == empty);
  TNotifyEvent(&b, &Recorder::TxEmpty)(nullptr);
  EXPECT_EQ(b.Calls(), std::vector<std::string>{"TxEmpty"});
}

TEST(ComPortDescription, FreshPortStoresOnlyWhatHasNoDefault) {
  TComPort port(nullptr);
  EXPECT_EQ(port.WriteDescription(), "Active = False\nDeviceName = 'COM2'\nOptions = []\n");
}

TEST(ComPortDescription, RoundTripsEverySetting) {
  Recorder r;
  TComPort port(nullptr);
  port.SetBaudRate(br38400);
  port.SetDataBits(db7);
  port.SetParity(paEven);
  port.SetStopBits(sb2);
  port.SetDeviceName("it's/dev");
  port.SetOptions({opCheckParity, opAbortOnError});
  port.SetSynchronizeEvents(false);
  port.SetThreadPriority(tpHigher);
  port.SetPriorityClass(pcHigh);
  port.FlowControl().SetRTS(rcToggle);
  port.FlowControl().SetXOnLimit(100);
  port.Characters().SetXOn(1);
  port.Characters().SetEvent('\n');
  port.BufferSizes().SetInput(8192);
  port.Timeouts().SetReadConstant(250);
  port.SetOnRxChar(TNotifyEvent(&r, &Recorder::RxChar));
  const std::string text = port.WriteDescription([](const std::string& p) { return "form1" + p; });
  EXPECT_NE(text.find("OnRxChar = form1OnRxChar\n"), std::string::npos);

  TComPort copy(nullptr);
  std::vector<std::string> bound;
  copy.ReadDescription(text, [&](const std::string& prop, const std::string& method) {
    bound.push_back(prop + ":" + method);
    copy.SetOnRxChar(TNotifyEvent(&r, &Recorder::RxChar));
  });
  EXPECT_EQ(bound, std::vector<std::string>{"OnRxChar:form1OnRxChar"});
  EXPECT_EQ(copy.WriteDescription([](const std::string& p) { return "form1" + p; }), text);
  EXPECT_FALSE(copy.IsLoading());
}

struct CustomRateRow {
  TBaudRate before;        // BaudRate given first (brDefault = none)
  std::int32_t custom;     // then CustomBaudRate
  TBaudRate after;         // then BaudRate (brDefault = none)
  TBaudRate expectRate;
  std::int32_t expectCustom;
  bool stored;             // CustomBaudRate in the description
};
void PrintTo(const CustomRateRow& r, std::ostream* os) { *os << "custom " << r.custom; }


class ComPortCustomRate : public ::testing::TestWithParam<CustomRateRow> {};

TEST_P(ComPortCustomRate, FollowsBaudRate) {
  const auto& r = GetParam();
  TComPort port(nullptr);
  if (r.before != brDefault) port.SetBaudRate(r.before);
  port.SetCustomBaudRate(r.custom);
  if (r.after != brDefault) port.SetBaudRate(r.after);
  EXPECT_EQ(port.BaudRate(), r.expectRate);
  EXPECT_EQ(port.CustomBaudRate(), r.expectCustom);
  EXPECT_EQ(port.WriteDescription().find("CustomBaudRate") != std::string::npos, r.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ComPortCustomRate,
    ::testing::Values(CustomRateRow{brDefault, 9600, brDefault, brCustom, 9600, true},
                      CustomRateRow{brDefault, 9600, br38400, br38400, 38400, false},
                      // 0 is already the stored custom rate: nothing changes
                      CustomRateRow{brDefault, 0, brDefault, brDefault, 0, false},
                      CustomRateRow{br115200, 0, brDefault, br115200, 115200, false},
                      CustomRateRow{br9600, 31250, brDefault, brCustom, 31250, true}));

TEST(ComPortClosed, OperationsRaiseBeforeAnyHandler) {
  Recorder r;
  TComPort port(nullptr);
  port.SetBeforeRead(TReadWriteEvent(&r, &Recorder::BeforeRead));
  port.SetBeforeWrite(TReadWriteEvent(&r, &Recorder::BeforeRead));
  port.SetOnError(TComErrorEvent(&r, &Recorder::Error));
  char buf[4] = {};
  const std::function<void()> ops[] = {
      [&] { port.Read(buf, 4, true); },     [&] { port.Write(buf, 4, true); },
      [&] { port.WriteText("x"); },         [&] { port.ModemStatus(); },
      [&] { port.PollLineErrors(); },       [&] { port.CompleteRead(); },
      [&] { std::string s; port.ReadText(s); }};
  for (const auto& op : ops) {
    try {
      op();
      ADD_FAILURE() << "no exception";
    } catch (const EComError& e) {
      EXPECT_EQ(e.WinError, 0);
      EXPECT_STREQ(e.what(), "Can't perform this operation on a closed port");
    }
  }
  EXPECT_EQ(r.Count("BeforeRead"), 0u);
  EXPECT_EQ(r.Count("Error"), std::size(ops));
  // No guard there: the platform refuses the invalid handle.
  try {
    port.ReceivedCount();
    ADD_FAILURE() << "no exception";
  } catch (const EComError& e) {
    EXPECT_EQ(e.WinError, 6);
    EXPECT_FALSE(e.Message().empty());
  }
  port.DiscardInput();  // nothing on a closed port
  port.DiscardOutput();
}

TEST(ComPortClosed, ActiveFalseAndCloseCallNoHandler) {
  Recorder r;
  TComPort port(nullptr);
  port.SetBeforeClose(TOpenCloseEvent(&r, &Recorder::BeforeClose));
  port.SetAfterClose(TOpenCloseEvent(&r, &Recorder::AfterClose));
  port.SetActive(false);
  port.Close();
  EXPECT_TRUE(r.Calls().empty());
}

TEST(ComPortOpenFailure, MissingDeviceReportsCodeTwoAndReleasesAll) {
  Recorder r;
  const int fdsBefore = OpenDescriptors();
  TComPort port(nullptr);
  port.SetDeviceName("/dev/velkor-no-such-tty");
  port.SetOnError(TComErrorEvent(&r, &Recorder::Error));
  port.SetAfterOpen(TOpenCloseEvent(&r, &Recorder::AfterOpen));
  try {
    port.SetActive(true);
    FAIL() << "opened a missing device";
  } catch (const EComError& e) {
    EXPECT_EQ(e.WinError, 2);
    EXPECT_EQ(e.Message(), std::strerror(ENOENT));
  }
  EXPECT_EQ(r.Calls(), std::vector<std::string>{"Error"});
  EXPECT_EQ(r.errorCodes, std::vector<std::int32_t>{2});
  EXPECT_FALSE(port.Active());
  EXPECT_EQ(OpenDescriptors(), fdsBefore);
  // The recorded Active kept its old value: a load that ends now opens nothing.
  port.BeginLoading();
  port.FinishLoading();
  EXPECT_EQ(r.Count("Error"), 1u);
}

TEST(ComPortOpenFailure, AbortActionTurnsErrorIntoSilentAbort) {
  Recorder r;
  r.errorAction = caAbort;
  TComPort port(nullptr);
  port.SetDeviceName("/dev/velkor-no-such-tty");
  port.SetOnError(TComErrorEvent(&r, &Recorder::Error));
  EXPECT_THROW(port.Open(), EAbort);
  EXPECT_THROW(port.RequireOpen(), EAbort);
  EXPECT_EQ(r.Count("Error"), 2u);
}

TEST(ComPortOpenFailure, SystemResultIgnoresSuccessAndPendingCodes) {
  TComPort port(nullptr);
  for (DWORD code : {0u, 997u}) {
    SetLastError(code);
    EXPECT_NO_THROW(port.CheckSystemResult(false)) << code;
  }
  SetLastError(87);
  try {
    port.CheckSystemResult(false);
    FAIL();
  } catch (const EComError& e) {
    EXPECT_EQ(e.WinError, 87);
    EXPECT_EQ(e.Message(), std::strerror(EINVAL));  // trailing "." and controls cut
  }
  EXPECT_EQ(GetLastError(), 0u);
}

}  // namespace
}  // namespace velkor::test
