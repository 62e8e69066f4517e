// The port listing on Windows.
#include "comport/serial_ports.h"

#include <windows.h>

#include <algorithm>
#include <utility>

namespace velkor {

// The system's list of serial devices: each value of the SERIALCOMM key names
// a driver's device ("\Device\VCP0") and holds its COM name.
std::vector<SerialPortInfo> listSerialPorts() {
  std::vector<SerialPortInfo> ports;
  HKEY key{};
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
    return ports;
  for (DWORD i = 0;; ++i) {
    char value[256];
    BYTE data[256];
    DWORD valueSize = sizeof value, dataSize = sizeof data - 1, type = 0;
    const LONG r = RegEnumValueA(key, i, value, &valueSize, nullptr, &type, data, &dataSize);
    if (r == ERROR_NO_MORE_ITEMS) break;
    if (r != ERROR_SUCCESS || type != REG_SZ) continue;
    data[dataSize] = 0;
    SerialPortInfo port;
    port.device = reinterpret_cast<const char*>(data);
    if (!port.device.empty() && port.device.back() == '\0') port.device.pop_back();
    port.driver = value;
    ports.push_back(std::move(port));
  }
  RegCloseKey(key);
  // COM10 after COM9.
  std::sort(ports.begin(), ports.end(), [](const auto& a, const auto& b) {
    return a.device.size() != b.device.size() ? a.device.size() < b.device.size() : a.device < b.device;
  });
  return ports;
}

}  // namespace velkor
