// The port listing on Linux: sysfs, and the names udev gives.
#include "comport/serial_ports.h"
#include "comport/sysfs_ports.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <system_error>
#include <utility>

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

}  // namespace

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

// VELKOR_SYSFS_ROOT points the listing at another tree, as VELKOR_COM1 points
// COM1 at another device: tests show their own adapters, never the machine's.
std::vector<SerialPortInfo> listSerialPorts() {
  const char* root = std::getenv("VELKOR_SYSFS_ROOT");
  return listSysfsPorts(root && *root ? root : "/");
}

}  // namespace velkor
