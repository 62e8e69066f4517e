// Where the COM names lead in the tests: paths that cannot exist, under one
// prefix that CMake gives (no test may reach a real serial port: COM1 is
// this machine's console).
#pragma once

#include <cstdlib>
#include <string>

namespace velkor::testing_support {

// The path COMn stands for in the tests.
inline std::string testPortPath(int n) { return VELKOR_TEST_PORT_PREFIX + std::to_string(n); }

// Points COM1 to COM4 at their test paths; with `keepSet`, a name the
// environment already sets is left as it is.
inline void pointComNamesAway(bool keepSet = false) {
  for (int n = 1; n <= 4; ++n) {
    const std::string name = "VELKOR_COM" + std::to_string(n);
    if (keepSet && std::getenv(name.c_str())) continue;
#ifdef _WIN32
    _putenv_s(name.c_str(), testPortPath(n).c_str());
#else
    setenv(name.c_str(), testPortPath(n).c_str(), 1);
#endif
  }
}

}  // namespace velkor::testing_support
