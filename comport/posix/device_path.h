// Inside the POSIX layer: the device a port name opens.
#pragma once

#include <string>

namespace velkor::posix {

// COM1..COM4 (also spelt \\.\COM1...) map to the usual Linux nodes unless
// VELKOR_COM1..VELKOR_COM4 say otherwise; anything else is a path.
// getenvFn defaults to the process environment.
std::string DevicePathFor(const std::string& name, const char* (*getenvFn)(const char*) = nullptr);

}  // namespace velkor::posix
