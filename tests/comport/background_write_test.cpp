// Overlapped writes go on while their caller does nothing, as on Windows, and
// keep their meaning for the calls made while one is in flight.
#include <gtest/gtest.h>

#include "pty.h"
#include "support/row_names.h"

namespace velkor::test {
namespace {

class ComPortBackgroundWrite : public ::testing::Test {
 protected:
  void SetUp() override {
    port.SetDeviceName(pty.Path());
    port.SetOnError(TComErrorEvent(&rec, &Recorder::Error));
  }
  static std::string Pattern(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return s;
  }
  static int Threads() { return CountEntries("/proc/self/task"); }
  TMainLoop loop;
  PtyPair pty;
  Recorder rec;
  TComPort port{nullptr};
};

TEST_F(ComPortBackgroundWrite, MegabyteArrivesWholeWithTheCallerIdleThenOneTxEmpty) {
  port.SetOnTxEmpty(TNotifyEvent(&rec, &Recorder::TxEmpty));
  port.Open();
  const std::string big = Pattern(1 << 20);
  port.WriteText(big);
  EXPECT_TRUE(port.IsWritePending());  // more than a pty holds
  std::string got;
  std::thread reader([&] { got = pty.Receive(big.size(), 20000ms); });
  reader.join();  // meanwhile this thread calls nothing at all
  ASSERT_EQ(got.size(), big.size());
  EXPECT_TRUE(got == big) << "bytes out of order";
  EXPECT_FALSE(port.IsWritePending());
  ASSERT_TRUE(loop.PumpUntil([&] { return rec.Count("TxEmpty") == 1; }, 2000ms));
  loop.PumpUntil([] { return false; }, 200ms);
  EXPECT_EQ(rec.Count("TxEmpty"), 1u);
  EXPECT_TRUE(rec.errorCodes.empty());
}

struct MidWriteRow {
  const char* what;
  std::int32_t writeConstantMs;
  void (*act)(TComPort& port);
};
void PrintTo(const MidWriteRow& r, std::ostream* os) { *os << r.what; }

class ComPortMidWrite : public ComPortBackgroundWrite, public ::testing::WithParamInterface<MidWriteRow> {};

TEST_P(ComPortMidWrite, EndsTheWriteAndLeavesNoThreadOrDescriptor) {
  const int threads = ThreadsSettled(), fds = OpenDescriptors();
  port.Timeouts().SetWriteConstant(GetParam().writeConstantMs);
  port.Open();
  port.WriteText(Pattern(1 << 20));  // nobody reads the far end
  ASSERT_TRUE(port.IsWritePending());
  GetParam().act(port);
  port.Close();
  EXPECT_TRUE(Eventually([&] { return Threads() <= threads; })) << Threads() << " threads";
  EXPECT_EQ(OpenDescriptors(), fds);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ComPortMidWrite,
    ::testing::Values(
        MidWriteRow{"close", 0, [](TComPort&) {}},
        MidWriteRow{"purge", 0,
                    [](TComPort& port) {
                      port.DiscardOutput();
                      EXPECT_FALSE(port.IsWritePending());
                      EXPECT_NO_THROW(port.CompleteWrite());
                    }},
        MidWriteRow{"write_time_out", 200,
                    [](TComPort& port) {
                      // Ends by itself at its time-out; the next completion says so.
                      std::this_thread::sleep_for(400ms);
                      EXPECT_FALSE(port.IsWritePending());
                      try {
                        port.CompleteWrite();
                        ADD_FAILURE() << "no timeout";
                      } catch (const EComError& e) {
                        EXPECT_STREQ(e.what(), "Timeout");
                      }
                    }}),
    velkor::testing_support::RowIndexName());

}  // namespace
}  // namespace velkor::test
