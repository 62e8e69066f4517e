// The serial ports present on the machine, as the user knows them: maker and
// product of a USB adapter, or a built-in UART, with the device to open.
// Read anew on each call; nothing is opened.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velkor {

struct SerialPortInfo {
  std::string device;                       // "/dev/ttyUSB0", "COM5"
  std::optional<std::string> byId;          // "/dev/serial/by-id/usb-FTDI_..." when the system names it so
  std::optional<std::string> manufacturer;  // as the adapter reports them
  std::optional<std::string> product;
  std::optional<std::string> serial;
  std::optional<std::string> vid;           // USB vendor and product ids, four hex digits
  std::optional<std::string> pid;
  std::optional<std::string> driver;        // "ftdi_sio", "cdc_acm", "serial8250"

  // What to open: the stable by-id path when there is one.
  std::string path() const { return byId.value_or(device); }
  // "FTDI FT232R USB UART — /dev/ttyUSB0"; the device alone when nothing names it.
  std::string label() const;
};

// The ports of this machine, sorted by device.
std::vector<SerialPortInfo> listSerialPorts();

}  // namespace velkor
