// The user's own settings of the editor (recent files, chosen port), in one
// INI file per user.
#pragma once

#include <QSettings>

namespace velkor {

inline QSettings userSettings() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("velkor"), QStringLiteral("velkor"));
}

}  // namespace velkor
