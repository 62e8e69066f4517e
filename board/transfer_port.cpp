#include "board/transfer_port.h"

namespace velkor {

std::string ComPortLine::Label() const {
  const std::string& name = port_.DeviceName();
  const std::string device = PortDevicePath(name);
  return device != name ? name + " (" + device + ")" : name;
}

}  // namespace velkor
