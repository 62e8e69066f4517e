#include "gui/editor/port_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <utility>

#include "comport/serial_ports.h"
#include "gui/editor/command_runner.h"
#include "gui/editor/user_settings.h"

namespace velkor {
namespace {

constexpr char kPortKey[] = "portSerie";

}  // namespace

PortMenu::PortMenu(QMenu* menu, std::array<QAction*, 4> com, TComPort& rs232, BoardTransfer& transfer,
                   UserDialogs& dialogs, const CommandRunner& runner)
    : menu_(menu), com_(com), rs232_(rs232), transfer_(transfer), dialogs_(dialogs), runner_(runner) {
  group_ = new QActionGroup(menu);
  group_->setExclusive(true);
  for (QAction* a : com_) {
    a->setCheckable(true);
    group_->addAction(a);
  }
  com_[0]->setChecked(true);
  showComDevices();
  connect(menu_, &QMenu::aboutToShow, this, &PortMenu::showNamedPorts);
}

bool PortMenu::testerPort() {
  bool opened = false;
  runner_.reportFailures([&] {
    const TransferReport check = transfer_.testerPort();
    check.tell(dialogs_);
    opened = check.done();
  });
  return opened;
}

void PortMenu::switchPort(const std::string& name) {
  runner_.reportFailures([&] {
    rs232_.SetActive(false);
    rs232_.SetDeviceName(name);
  });
}

bool PortMenu::selectPort(const std::string& name, QAction* entry) {
  const std::string before = rs232_.DeviceName();
  switchPort(name);
  entry->setChecked(true);
  if (testerPort()) return true;
  // A port that does not open is not taken: the one in use before stays,
  // checked, so the mark always shows the port the next transfer uses.
  switchPort(before);
  checkPortEntry(before);
  return false;
}

void PortMenu::chooseCom(int n) {
  takeUpRememberedPort();
  runner_.run([&] {
    if (n >= 3) testerPort();
    if (selectPort("COM" + std::to_string(n), com_[static_cast<std::size_t>(n - 1)])) forgetNamedPort();
  });
}

QAction* PortMenu::addNamedPortEntry(const QString& label, const std::string& path) {
  auto* entry = new QAction(label, menu_);
  entry->setObjectName(QString::fromStdString(path));
  entry->setCheckable(true);
  group_->addAction(entry);
  connect(entry, &QAction::triggered, this, [this, path, entry] { chooseNamedPort(path, entry); });
  menu_->addAction(entry);
  namedPorts_.push_back(entry);
  return entry;
}

void PortMenu::showComDevices() {
  int n = 0;
  for (QAction* entry : com_) {
    const std::string name = "COM" + std::to_string(++n);
    const std::string device = PortDevicePath(name);
    QString text = QStringLiteral("COM&%1").arg(n);
    if (device != name) text += QStringLiteral(" — ") + QString::fromStdString(device);
    entry->setText(text);
  }
}

void PortMenu::checkPortEntry(const std::string& device) {
  int n = 0;
  for (QAction* entry : com_)
    if (device == "COM" + std::to_string(++n)) return entry->setChecked(true);
  for (QAction* entry : namedPorts_)
    if (!entry->isSeparator() && entry->objectName().toStdString() == device) return entry->setChecked(true);
  addNamedPortEntry(QString::fromStdString(device), device)->setChecked(true);
}

void PortMenu::showNamedPorts() {
  takeUpRememberedPort();
  showComDevices();
  for (QAction* entry : std::exchange(namedPorts_, {})) delete entry;
  const std::string current = rs232_.DeviceName();
  bool shown = current == "COM1" || current == "COM2" || current == "COM3" || current == "COM4";
  namedPorts_.push_back(menu_->addSeparator());
  for (const SerialPortInfo& port : listSerialPorts()) {
    QAction* entry = addNamedPortEntry(QString::fromStdString(port.label()), port.path());
    if (port.path() == current || port.device == current) {
      entry->setChecked(true);
      shown = true;
    }
  }
  // The port in use, though it is not there now (unplugged): still checked.
  if (!shown) addNamedPortEntry(QString::fromStdString(current), current)->setChecked(true);
  namedPorts_.front()->setVisible(namedPorts_.size() > 1);
}

// As "COM1" does: close, take the new device, check it, check the port.
void PortMenu::chooseNamedPort(const std::string& path, QAction* entry) {
  takeUpRememberedPort();
  runner_.run([&] {
    if (selectPort(path, entry)) userSettings().setValue(QLatin1String(kPortKey), QString::fromStdString(path));
  });
}

void PortMenu::forgetNamedPort() { userSettings().remove(QLatin1String(kPortKey)); }

void PortMenu::takeUpRememberedPort() {
  if (std::exchange(portRemembered_, true)) return;
  const QString path = userSettings().value(QLatin1String(kPortKey)).toString();
  if (path.isEmpty()) return;
  switchPort(path.toStdString());
  // Checked at once; named by maker and product once the menu lists the ports.
  addNamedPortEntry(path, path.toStdString())->setChecked(true);
}

}  // namespace velkor
