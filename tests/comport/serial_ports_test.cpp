// The port list read from sysfs trees made here, laid out as the kernel lays
// them out: never the machine's own.
#include "comport/sysfs_ports.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/temp_dir.h"

namespace velkor {
namespace {

namespace fs = std::filesystem;

class FakeSysfs {
 public:
  explicit FakeSysfs(const fs::path& root) : root_(root) { fs::create_directories(root_ / "sys/class/tty"); }

  // A tty whose device is `device` (under sys/devices), driven by `driver`.
  void tty(const std::string& name, const std::string& device, const std::string& driver) {
    const fs::path dir = root_ / "sys/class/tty" / name;
    const fs::path dev = root_ / "sys/devices" / device;
    fs::create_directories(dir);
    fs::create_directories(dev);
    fs::create_directory_symlink(fs::relative(dev, dir), dir / "device");
    fs::create_directory_symlink("../../../../bus/usb/drivers/" + driver, dev / "driver");
  }

  // A USB device's attributes; an empty value is an attribute the device lacks.
  void usb(const std::string& device, std::map<std::string, std::string> attributes) {
    for (const auto& [name, value] : attributes)
      if (!value.empty()) std::ofstream(root_ / "sys/devices" / device / name) << value << "\n";
  }

  void file(const fs::path& path, const std::string& text) {
    fs::create_directories((root_ / path).parent_path());
    std::ofstream(root_ / path) << text << "\n";
  }

  void byId(const std::string& link, const std::string& tty) {
    fs::create_directories(root_ / "dev/serial/by-id");
    fs::create_symlink("../../" + tty, root_ / "dev/serial/by-id" / link);
  }

 private:
  fs::path root_;
};

const std::string kHub = "pci0000:00/0000:00:14.0/usb1/";

TEST(SerialPorts, AdaptersByMakerAndProductAndOnlyUartsThatAnswer) {
  testing_support::TempDir dir;
  FakeSysfs sys(dir.path());
  // FTDI: a usb-serial port below the interface below the device.
  sys.tty("ttyUSB0", kHub + "1-1/1-1:1.0/ttyUSB0", "ftdi_sio");
  sys.usb(kHub + "1-1", {{"idVendor", "0403"}, {"idProduct", "6001"}, {"manufacturer", "FTDI"},
                         {"product", "FT232R USB UART"}, {"serial", "A50285BI"}});
  sys.byId("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "ttyUSB0");
  sys.tty("ttyUSB1", kHub + "1-2/1-2:1.0/ttyUSB1", "pl2303");
  sys.usb(kHub + "1-2", {{"idVendor", "067b"}, {"idProduct", "2303"}, {"manufacturer", "Prolific Technology Inc."},
                         {"product", "USB-Serial Controller"}});
  // CH340: no maker string; CDC-ACM: no strings at all, the tty on the interface.
  sys.tty("ttyUSB2", kHub + "1-3/1-3:1.0/ttyUSB2", "ch341");
  sys.usb(kHub + "1-3", {{"idVendor", "1a86"}, {"idProduct", "7523"}, {"product", "USB Serial"}});
  sys.tty("ttyACM0", kHub + "1-4/1-4:1.0", "cdc_acm");
  sys.usb(kHub + "1-4", {{"idVendor", "2341"}, {"idProduct", "0043"}});
  // Built-in UARTs: one answers (type 4, a 16550A), one is a place without hardware (type 0).
  sys.tty("ttyS0", "pnp0/00:01", "serial");
  sys.file("sys/class/tty/ttyS0/type", "4");
  sys.tty("ttyS1", "platform/serial8250", "serial8250");
  sys.file("sys/class/tty/ttyS1/type", "0");
  // A virtual terminal: no device behind it.
  fs::create_directories(dir / "sys/class/tty/tty0");

  const std::vector<SerialPortInfo> ports = listSysfsPorts(dir.path());
  std::vector<std::string> labels;
  for (const SerialPortInfo& p : ports) labels.push_back(p.label());
  EXPECT_EQ(labels, (std::vector<std::string>{"CDC-ACM — /dev/ttyACM0", "/dev/ttyS0",
                                              "FTDI FT232R USB UART — /dev/ttyUSB0",
                                              "Prolific Technology Inc. USB-Serial Controller — /dev/ttyUSB1",
                                              "CH340 USB Serial — /dev/ttyUSB2"}));
  ASSERT_EQ(ports.size(), 5u);
  const SerialPortInfo& ftdi = ports[2];
  EXPECT_EQ(ftdi.byId, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
  EXPECT_EQ(ftdi.path(), *ftdi.byId) << "the stable name is the one to open";
  EXPECT_EQ(ftdi.serial, "A50285BI");
  EXPECT_EQ(ftdi.vid, "0403");
  EXPECT_EQ(ftdi.pid, "6001");
  EXPECT_EQ(ports[4].path(), "/dev/ttyUSB2");
  EXPECT_EQ(ports[4].manufacturer, std::nullopt);
  EXPECT_EQ(ports[0].vid, "2341");
  EXPECT_EQ(ports[1].vid, std::nullopt) << "a built-in UART has no USB ids";

  // Plugged in later: the next reading has it.
  sys.tty("ttyUSB3", kHub + "1-5/1-5:1.0/ttyUSB3", "cp210x");
  sys.usb(kHub + "1-5", {{"idVendor", "10c4"}, {"idProduct", "ea60"}});
  EXPECT_EQ(listSysfsPorts(dir.path()).back().label(), "Silicon Labs CP210x — /dev/ttyUSB3");
}

TEST(SerialPorts, NoTreeNoPorts) {
  testing_support::TempDir dir;
  EXPECT_TRUE(listSysfsPorts(dir / "nothing").empty());
}

}  // namespace
}  // namespace velkor
