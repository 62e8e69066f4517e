// The port's public header keeps the platform to itself: a file that
// includes it may declare its own HANDLE, DWORD, OVERLAPPED and
// INVALID_HANDLE_VALUE (a clash fails the build, warnings being errors).
#include "comport/ComPort.h"

#include <gtest/gtest.h>

using HANDLE = const char*;
using DWORD = double;
struct OVERLAPPED {
  HANDLE hEvent;
};
#define INVALID_HANDLE_VALUE "none"

namespace {

TEST(ComPortHeader, LeavesThePlatformNamesToItsUser) {
  const OVERLAPPED mine{INVALID_HANDLE_VALUE};
  const DWORD half = 0.5;
  velkor::TComPort port(nullptr);
  EXPECT_FALSE(port.Active());
  EXPECT_EQ(port.DeviceName(), "COM2");
  EXPECT_STREQ(mine.hEvent, "none");
  EXPECT_EQ(half * 2, 1.0);
}

}  // namespace
