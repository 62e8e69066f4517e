#include "gui/editor/recent_files.h"

#include <QDir>
#include <QFileInfo>

#include "gui/editor/user_settings.h"

namespace velkor {
namespace {

constexpr char kKey[] = "fichiersRecents";

}  // namespace

const QStringList& RecentFiles::files() {
  if (!files_) files_ = userSettings().value(QLatin1String(kKey)).toStringList();
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

void RecentFiles::save() { userSettings().setValue(QLatin1String(kKey), *files_); }

}  // namespace velkor
