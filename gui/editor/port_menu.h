// The "Port COM" menu: COM1-COM4, each named with the device it stands for
// here, then the serial ports present on the machine, by maker and product;
// the entry checked is always the port the next transfer uses. A named port
// chosen is kept for the next start.
#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <string>
#include <vector>

#include "board/board_transfer.h"
#include "comport/ComPort.h"
#include "image/user_dialogs.h"

class QAction;
class QActionGroup;
class QMenu;

namespace velkor {

class CommandRunner;

class PortMenu : public QObject {
 public:
  // `com` are the entries COM1-COM4 of `menu`; COM1 is checked, as the
  // device name is "COM1" from the start.
  PortMenu(QMenu* menu, std::array<QAction*, 4> com, TComPort& rs232, BoardTransfer& transfer, UserDialogs& dialogs,
           const CommandRunner& runner);

  // COMn chosen: takes it, checks its entry and checks the port. COM3 and
  // COM4 check the port selected so far first.
  void chooseCom(int n);
  // The named port chosen in an earlier session, taken up the first time a
  // port is needed or its menu opens (not at start: nothing is read then).
  void takeUpRememberedPort();

 private:
  bool testerPort();
  // Closes the port and gives it another device.
  void switchPort(const std::string& name);
  // Takes the port, checks `entry` and checks the port; a port that does
  // not open gives way to the one used before. True when it opened.
  bool selectPort(const std::string& name, QAction* entry);
  // Checks the entry that stands for `device` (an entry of its own when none does).
  void checkPortEntry(const std::string& device);
  // COM1-COM4 named with the device each stands for here ("COM1 — /dev/ttyS0").
  void showComDevices();
  // Below COM1-COM4: the serial ports present now, read each time the menu opens.
  void showNamedPorts();
  void chooseNamedPort(const std::string& path, QAction* entry);
  // A COM entry chosen: the next start shows COM1 again.
  void forgetNamedPort();
  QAction* addNamedPortEntry(const QString& label, const std::string& path);

  QMenu* menu_;
  std::array<QAction*, 4> com_;
  TComPort& rs232_;
  BoardTransfer& transfer_;
  UserDialogs& dialogs_;
  const CommandRunner& runner_;
  QActionGroup* group_;
  std::vector<QAction*> namedPorts_;  // the separator, then one entry per port
  bool portRemembered_ = false;       // the remembered port was taken up
};

}  // namespace velkor
