#include "device_path.h"

#include <cstdlib>

namespace velkor::posix {

std::string DevicePathFor(const std::string& given, const char* (*getenvFn)(const char*)) {
  static const char* const kDefaults[] = {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyUSB0",
                                          "/dev/ttyUSB1"};
  static const char* const kNames[] = {"COM1", "COM2", "COM3", "COM4"};
  // "\\.\COM1" is Windows' device-namespace spelling of "COM1".
  const std::string name = given.rfind("\\\\.\\", 0) == 0 ? given.substr(4) : given;
  for (int i = 0; i < 4; ++i) {
    if (name != kNames[i]) continue;
    const std::string var = std::string("VELKOR_") + kNames[i];
    const char* over = getenvFn ? getenvFn(var.c_str()) : std::getenv(var.c_str());
    return over && *over ? std::string(over) : std::string(kDefaults[i]);
  }
  return given;
}

}  // namespace velkor::posix
