#include "comport/serial_ports.h"

#include <utility>

namespace velkor {
namespace {

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

}  // namespace velkor
