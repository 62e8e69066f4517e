// The Port COM menu below COM1-COM4: the serial ports present on the machine,
// by maker and product, and the one chosen, kept for the next start.
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <utility>

#include "comport/ComPort.h"
#include "comport/serial_ports.h"
#include "gui/editor/tform1.h"
#include "gui/editor/user_settings.h"

namespace velkor {
namespace {

constexpr char kPortKey[] = "portSerie";

}  // namespace

QAction* TForm1::addNamedPortEntry(const QString& label, const std::string& path) {
  auto* entry = new QAction(label, PortCOM1);
  entry->setObjectName(QString::fromStdString(path));
  entry->setCheckable(true);
  portGroup_->addAction(entry);
  connect(entry, &QAction::triggered, this, [this, path, entry] { chooseNamedPort(path, entry); });
  PortCOM1->addAction(entry);
  namedPorts_.push_back(entry);
  return entry;
}

void TForm1::showComDevices() {
  int n = 0;
  for (QAction* entry : {COM11, COM21, COM31, COM41}) {
    const std::string name = "COM" + std::to_string(++n);
    const std::string device = PortDevicePath(name);
    QString text = QStringLiteral("COM&%1").arg(n);
    if (device != name) text += QStringLiteral(" — ") + QString::fromStdString(device);
    entry->setText(text);
  }
}

void TForm1::checkPortEntry(const std::string& device) {
  int n = 0;
  for (QAction* entry : {COM11, COM21, COM31, COM41})
    if (device == "COM" + std::to_string(++n)) return entry->setChecked(true);
  for (QAction* entry : namedPorts_)
    if (!entry->isSeparator() && entry->objectName().toStdString() == device) return entry->setChecked(true);
  addNamedPortEntry(QString::fromStdString(device), device)->setChecked(true);
}

void TForm1::showNamedPorts() {
  takeUpRememberedPort();
  showComDevices();
  for (QAction* entry : std::exchange(namedPorts_, {})) delete entry;
  const std::string current = rs232.DeviceName();
  bool shown = current == "COM1" || current == "COM2" || current == "COM3" || current == "COM4";
  namedPorts_.push_back(PortCOM1->addSeparator());
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
void TForm1::chooseNamedPort(const std::string& path, QAction* entry) {
  portCommand([&] {
    if (selectPort(path, entry)) userSettings().setValue(QLatin1String(kPortKey), QString::fromStdString(path));
  });
}

void TForm1::forgetNamedPort() { userSettings().remove(QLatin1String(kPortKey)); }

void TForm1::takeUpRememberedPort() {
  if (std::exchange(portRemembered_, true)) return;
  const QString path = userSettings().value(QLatin1String(kPortKey)).toString();
  if (path.isEmpty()) return;
  switchPort(path.toStdString());
  // Checked at once; named by maker and product once the menu lists the ports.
  addNamedPortEntry(path, path.toStdString())->setChecked(true);
}

}  // namespace velkor
