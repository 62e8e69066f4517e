// The main of every GoogleTest binary. The COM names point to paths that
// cannot exist unless whoever runs the binary (or a test) sets its own, so no
// test ever reaches a real serial port: COM1 is this machine's console. Set
// here rather than by CTest so that running a binary by hand is as safe.
#include <gtest/gtest.h>

#include "support/test_ports.h"

int main(int argc, char** argv) {
  velkor::testing_support::pointComNamesAway(/*keepSet=*/true);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
