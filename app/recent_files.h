// The files last opened or saved, newest first, kept between sessions in the
// user's settings. Read on first use, so starting the editor does not pay
// for it.
#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <optional>

#include "app/path_text.h"

namespace velkor {

class RecentFiles {
 public:
  static constexpr int kMax = 6;

  // `settingsFile`: an INI file to keep the list in; empty for the user's
  // own settings of the editor.
  explicit RecentFiles(QString settingsFile = {}) : settingsFile_(std::move(settingsFile)) {}

  const QStringList& files();
  // Puts `file` first (once), dropping the oldest beyond kMax.
  void add(const std::filesystem::path& file);
  void remove(const QString& file);

 private:
  void save();

  QString settingsFile_;
  std::optional<QStringList> files_;
};

}  // namespace velkor
