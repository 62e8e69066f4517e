#include "app/recent_files.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <memory>

namespace velkor {
namespace {

constexpr char kKey[] = "fichiersRecents";

std::unique_ptr<QSettings> openSettings(const QString& file) {
  if (!file.isEmpty()) return std::make_unique<QSettings>(file, QSettings::IniFormat);
  return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("velkor"),
                                     QStringLiteral("velkor"));
}

}  // namespace

const QStringList& RecentFiles::files() {
  if (!files_) files_ = openSettings(settingsFile_)->value(QLatin1String(kKey)).toStringList();
  return *files_;
}

void RecentFiles::add(const std::filesystem::path& file) {
  // The same file reached through another folder name is still one entry.
  const QString path = QDir::cleanPath(QFileInfo(toQString(file)).absoluteFilePath());
  QStringList list = files();
  list.removeAll(path);
  list.prepend(path);
  while (list.size() > kMax) list.removeLast();
  files_ = list;
  save();
}

void RecentFiles::remove(const QString& file) {
  QStringList list = files();
  if (list.removeAll(file) == 0) return;
  files_ = list;
  save();
}

void RecentFiles::save() { openSettings(settingsFile_)->setValue(QLatin1String(kKey), *files_); }

}  // namespace velkor
