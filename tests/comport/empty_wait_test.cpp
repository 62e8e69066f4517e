// The event thread's rest after waits that end with no event bits.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>

#include "comport/com_thread.h"

namespace velkor {
namespace {

using std::chrono::milliseconds;

TEST(EmptyWaitRest, NoneAfterOneThenDoublingUpTo100Ms) {
  EXPECT_EQ(EmptyWaitRest(0), milliseconds(0));
  EXPECT_EQ(EmptyWaitRest(1), milliseconds(0));  // a new mask ended the wait
  EXPECT_EQ(EmptyWaitRest(2), milliseconds(1));
  EXPECT_EQ(EmptyWaitRest(3), milliseconds(2));
  EXPECT_EQ(EmptyWaitRest(8), milliseconds(64));
  EXPECT_EQ(EmptyWaitRest(9), milliseconds(100));
  EXPECT_EQ(EmptyWaitRest(40), milliseconds(100));  // no shift past the width
  EXPECT_EQ(EmptyWaitRest(UINT_MAX), milliseconds(100));
  for (unsigned n = 1; n < 100; ++n) EXPECT_LE(EmptyWaitRest(n), EmptyWaitRest(n + 1)) << n;
}

TEST(EmptyWaitRest, ARunOfEmptyWaitsRestsLongerEachTime) {
  TComThread thread(nullptr);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 9; ++i) thread.RestAfterEmptyWait();
  // 0 + 1 + 2 + ... + 64 + 100 ms at least.
  EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(227));
}

TEST(EmptyWaitRest, EventsStartTheCountAgain) {
  TComThread thread(nullptr);
  for (int i = 0; i < 8; ++i) thread.RestAfterEmptyWait();
  thread.EventsSeen();
  const auto start = std::chrono::steady_clock::now();
  thread.RestAfterEmptyWait();  // the first of a new run: no rest
  thread.RestAfterEmptyWait();  // 1 ms
  EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(100));
}

TEST(EmptyWaitRest, AStoppedThreadDoesNotRest) {
  TComThread thread(nullptr);
  thread.Terminate();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 20; ++i) thread.RestAfterEmptyWait();  // 1.3 s if it rested
  EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(1000));
}

}  // namespace
}  // namespace velkor
