// The files last opened or saved, newest first, kept between sessions in the
// user's settings. Read on first use, so starting the editor does not pay
// for it.
#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <optional>

#include "gui/common/path_text.h"

namespace velkor {

class RecentFiles {
 public:
  static constexpr int kMax = 6;

  const QStringList& files();
  // Puts `file` first (once), dropping the oldest beyond kMax.
  void add(const std::filesystem::path& file);
  void remove(const QString& file);

 private:
  void save();

  std::optional<QStringList> files_;
};

}  // namespace velkor
