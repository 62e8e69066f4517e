#include "gui/common/file_export.h"

#include <QFileInfo>
#include <QString>
#include <filesystem>

#include "gui/common/path_text.h"
#include "image/messages.h"
#include "image/safe_write.h"

namespace velkor {

bool writeChosenFile(UserDialogs& dialogs, std::string_view caption, std::string_view filter,
                     std::string_view bytes) {
  const auto chosen = dialogs.chooseFileToWrite(caption, filter);
  if (!chosen) return false;
  QString path = toQString(*chosen);
  // The filter's extension, when the name has none.
  const QString filters = QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size()));
  const qsizetype star = filters.indexOf(QLatin1String("*."));
  if (QFileInfo(path).suffix().isEmpty() && star >= 0) {
    path += filters.mid(star + 1, filters.indexOf(QLatin1Char(')'), star) - star - 1);
    // The dialog asked about the name as typed, not about this one.
    std::error_code ec;
    if (std::filesystem::exists(toPath(path), ec)) {
      dialogs.beep();
      if (!dialogs.askYesNo(msg::kConfirmationTitle, msg::overwriteQuestion(QFileInfo(path).fileName().toStdString())))
        return false;
    }
  }
  if (auto error = writeFileSafely(toPath(path), bytes)) {
    dialogs.beep();
    dialogs.showMessage(QStringLiteral("Impossible d'enregistrer le fichier %1 : %2")
                            .arg(QFileInfo(path).fileName(), QString::fromStdString(*error))
                            .toStdString());
    return false;
  }
  return true;
}

}  // namespace velkor
