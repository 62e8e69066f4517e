// The main of every GoogleTest binary. The COM names point to paths that
// cannot exist unless whoever runs the binary (or a test) sets its own, so no
// test ever reaches a real serial port: COM1 is this machine's console. Set
// here rather than by CTest so that running a binary by hand is as safe.
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  for (int n = 1; n <= 4; ++n) {
    const std::string name = "VELKOR_COM" + std::to_string(n);
    const std::string path = VELKOR_TEST_PORT_PREFIX + std::to_string(n);
    if (std::getenv(name.c_str())) continue;
#ifdef _WIN32
    _putenv_s(name.c_str(), path.c_str());
#else
    setenv(name.c_str(), path.c_str(), 0);
#endif
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
