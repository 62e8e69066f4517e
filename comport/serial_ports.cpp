#include "comport/serial_ports.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace velkor {
namespace fs = std::filesystem;
namespace {

// The first line of a sysfs attribute, nothing when absent or empty.
std::optional<std::string> attribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  if (!in || !std::getline(in, line)) return std::nullopt;
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
  if (line.empty()) return std::nullopt;
  return line;
}

// What a driver's ports are called when the adapter gives no name of its own.
std::optional<std::string> driverName(const std::optional<std::string>& driver) {
  if (!driver) return std::nullopt;
  static const std::pair<const char*, const char*> kNames[] = {
      {"cdc_acm", "CDC-ACM"}, {"ftdi_sio", "FTDI"},      {"pl2303", "Prolific PL2303"},
      {"ch341", "CH340"},     {"cp210x", "Silicon Labs CP210x"}};
  for (const auto& [name, text] : kNames)
    if (*driver == name) return text;
  return std::nullopt;
}

}  // namespace

std::string SerialPortInfo::label() const {
  // The maker as the adapter names itself, else as its driver is known.
  const std::optional<std::string> maker = manufacturer ? manufacturer : driverName(driver);
  std::string name;
  if (maker && product) name = product->find(*maker) != std::string::npos ? *product : *maker + " " + *product;
  else if (maker || product) name = maker ? *maker : *product;
  return name.empty() ? device : name + " — " + device;
}

std::vector<SerialPortInfo> listSysfsPorts(const fs::path& root) {
  std::vector<SerialPortInfo> ports;
  std::error_code ec;
  const fs::path ttys = root / "sys/class/tty";
  const fs::path usbRoot = fs::weakly_canonical(root / "sys", ec);
  for (const fs::directory_entry& entry : fs::directory_iterator(ttys, ec)) {
    const std::string name = entry.path().filename().string();
    const fs::path device = fs::canonical(entry.path() / "device", ec);
    if (ec) continue;  // a virtual terminal, the console: nothing behind it
    if (const auto type = attribute(entry.path() / "type"); type && *type == "0") continue;
    SerialPortInfo port;
    port.device = "/dev/" + name;
    const fs::path driver = fs::read_symlink(device / "driver", ec);
    if (!ec) port.driver = driver.filename().string();
    // The USB device is the nearest ancestor with vendor and product ids.
    for (fs::path at = device; at.has_relative_path() && at != usbRoot; at = at.parent_path()) {
      if (!fs::exists(at / "idVendor", ec)) continue;
      port.manufacturer = attribute(at / "manufacturer");
      port.product = attribute(at / "product");
      port.serial = attribute(at / "serial");
      port.vid = attribute(at / "idVendor");
      port.pid = attribute(at / "idProduct");
      break;
    }
    ports.push_back(std::move(port));
  }
  // The stable names udev gives USB adapters, pointing at ../../ttyUSB0.
  for (const fs::directory_entry& link : fs::directory_iterator(root / "dev/serial/by-id", ec)) {
    const std::string target = fs::read_symlink(link.path(), ec).filename().string();
    if (ec) continue;
    for (SerialPortInfo& port : ports)
      if (port.device == "/dev/" + target) port.byId = "/dev/serial/by-id/" + link.path().filename().string();
  }
  std::sort(ports.begin(), ports.end(), [](const auto& a, const auto& b) { return a.device < b.device; });
  return ports;
}

#ifdef _WIN32
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
#else
// VELKOR_SYSFS_ROOT points the listing at another tree, as VELKOR_COM1 points
// COM1 at another device: tests show their own adapters, never the machine's.
std::vector<SerialPortInfo> listSerialPorts() {
  const char* root = std::getenv("VELKOR_SYSFS_ROOT");
  return listSysfsPorts(root && *root ? root : "/");
}
#endif

}  // namespace velkor
