// Settings on an open port that the line cannot honour are refused with error
// 87 rather than ignored; those it honours in the read path, on a pty.
#include <gtest/gtest.h>

#include "pty.h"
#include "support/row_names.h"

namespace velkor::test {
namespace {

class ComPortLineOptions : public ::testing::Test {
 protected:
  void SetUp() override {
    port.SetDeviceName(pty.Path());
    port.SetDataBits(db8);
    port.SetStopBits(sb1);
    port.Open();
  }
  TMainLoop loop;
  PtyPair pty;
  TComPort port{nullptr};
};

struct RefusedSettingRow {
  const char* what;
  void (*apply)(TComPort& port);
  void (*prepare)(TComPort& port) = nullptr;  // accepted settings it needs first
};
void PrintTo(const RefusedSettingRow& r, std::ostream* os) { *os << r.what; }

class ComPortRefusedSetting : public ComPortLineOptions,
                              public ::testing::WithParamInterface<RefusedSettingRow> {};

TEST_P(ComPortRefusedSetting, RaisesErrorEightySevenAndLeavesTheLine) {
  if (GetParam().prepare) GetParam().prepare(port);
  termios before{};
  tcgetattr(pty.Slave(), &before);
  try {
    GetParam().apply(port);
    FAIL() << "accepted";
  } catch (const EComError& e) {
    EXPECT_EQ(e.WinError, 87);
  }
  termios after{};
  tcgetattr(pty.Slave(), &after);
  EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ComPortRefusedSetting,
    ::testing::Values(
        RefusedSettingRow{"dsr_output_flow", [](TComPort& p) { p.SetOptions({opOutputDSRFlow}); }},
        RefusedSettingRow{"dsr_sensitivity", [](TComPort& p) { p.SetOptions({opDSRSensitivity}); }},
        RefusedSettingRow{"dtr_handshake", [](TComPort& p) { p.FlowControl().SetDTR(dcHandshake); }},
        RefusedSettingRow{"rts_toggle", [](TComPort& p) { p.FlowControl().SetRTS(rcToggle); }},
        RefusedSettingRow{"input_xoff_holding_output",
                          [](TComPort& p) { p.FlowControl().SetXOnXOff(xcInput); }},
        RefusedSettingRow{"xoff_limit_with_input_flow",
                          [](TComPort& p) { p.FlowControl().SetXOffLimit(100); },
                          [](TComPort& p) {
                            p.SetOptions({opTXContinueOnXOff});
                            p.FlowControl().SetXOnXOff(xcInputOutput);
                          }},
        RefusedSettingRow{"one_and_a_half_stop_bits_with_eight_data_bits",
                          [](TComPort& p) { p.SetStopBits(sb1_5); }},
        RefusedSettingRow{"same_xon_and_xoff", [](TComPort& p) { p.Characters().SetXOff(17); }}),
    velkor::testing_support::RowIndexName());

TEST_F(ComPortLineOptions, DiscardNullBytesDropsThemBeforeTheyAreCounted) {
  port.SetOptions({opDiscardNullBytes});
  pty.Send(std::string("a\0b\0\0c", 6));
  ASSERT_TRUE(Eventually([&] { return port.ReceivedCount() == 3; }));
  std::string text;
  port.ReadText(text);
  EXPECT_EQ(text, "abc");
}

// With parity checked the tty marks bytes (and doubles a 0xFF); the reader
// gets them as they came.
TEST_F(ComPortLineOptions, CheckedParityHandsBytesOnAsReceived) {
  port.SetOptions({opCheckParity, opUseErrorChar});
  port.Characters().SetError('?');
  termios t{};
  tcgetattr(pty.Slave(), &t);
  EXPECT_EQ(t.c_iflag & (INPCK | PARMRK), static_cast<tcflag_t>(INPCK | PARMRK));
  const std::string sent("\xff" "A\xff\xff", 4);
  pty.Send(sent);
  std::string got;
  ASSERT_TRUE(Eventually([&] {
    std::string part;
    port.ReadText(part);
    got += part;
    return got.size() >= sent.size();
  }));
  EXPECT_EQ(got, sent);
}

}  // namespace
}  // namespace velkor::test
