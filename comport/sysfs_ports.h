// Inside the serial component: the Linux port listing, read from a sysfs
// tree so that tests can show their own adapters.
#pragma once

#include <filesystem>
#include <vector>

#include "comport/serial_ports.h"

namespace velkor {

// The ports a Linux sysfs tree under `root` describes (root "/" for the
// machine's own): every tty with a device behind it, except serial-core
// ports whose UART type is 0 (no hardware answers there).
std::vector<SerialPortInfo> listSysfsPorts(const std::filesystem::path& root);

}  // namespace velkor
