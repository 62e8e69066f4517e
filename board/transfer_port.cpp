#include "board/transfer_port.h"

namespace velkor {

void LineSettings::applyTo(TCustomComPort& port) const {
  port.SetBaudRate(baudRate);
  port.SetDataBits(dataBits);
  port.SetParity(parity);
  port.SetStopBits(stopBits);
}

std::string ComPortLine::Label() const {
  const std::string& name = port_.DeviceName();
  const std::string device = PortDevicePath(name);
  return device != name ? name + " (" + device + ")" : name;
}

}  // namespace velkor
