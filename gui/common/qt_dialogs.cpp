#include "gui/common/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

#include "gui/common/form_scale.h"
#include "gui/common/path_text.h"

namespace velkor {
namespace {

// Beside its title a window's frame puts an icon and three buttons (46
// pixels each on Windows), which a message box does not count.
constexpr int kTitleBarRoom = 180;

QString utf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The program's messages separate their lines with CR bytes. French puts a
// space before "!", "?", ":" and ";": a non-breaking one on screen, so that
// a wrapped line never begins with the sign alone.
QString q(std::string_view s) {
  static const QRegularExpression spaceBeforeSign(QStringLiteral(" (?=[!?:;])"));
  return utf8(s)
      .replace(QLatin1Char('\r'), QLatin1Char('\n'))
      .replace(spaceBeforeSign, QString(QChar::Nbsp));
}

// A short message ("Chargement OK !") still gets a box whose frame shows its
// whole title.
void fitTitle(QMessageBox& box) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (!grid) return;
  QFont title = box.font();
  title.setBold(true);
  const int width = QFontMetrics(title).horizontalAdvance(box.windowTitle()) + FormScale::ofApplication()(kTitleBarRoom);
  grid->addItem(new QSpacerItem(width, 0), grid->rowCount(), 0, 1, grid->columnCount());
}

std::optional<std::filesystem::path> chosenPath(const QString& chosen) {
  if (chosen.isEmpty()) return std::nullopt;
  return toPath(chosen);
}

// Qt's own dialogs, not the desktop's: they speak French whatever the
// system's language.
constexpr QFileDialog::Options kOwnDialog = QFileDialog::DontUseNativeDialog;

const QString kProgramsFilter = QStringLiteral("Programmes VELKOR (*.prg)");
const QString kAllFilesFilter = QStringLiteral("Tous les fichiers (*)");
const QString kFilters = kProgramsFilter + QStringLiteral(";;") + kAllFilesFilter;

}  // namespace

QWidget* QtDialogs::owner() const {
  QWidget* active = QApplication::activeWindow();
  return active ? active : parent_.data();
}

void QtDialogs::beep() { QApplication::beep(); }

void QtDialogs::showMessage(std::string_view text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("VELKOR"), q(text), QMessageBox::Ok, owner());
  fitTitle(box);
  box.exec();
}

bool QtDialogs::askOkCancel(std::string_view title, std::string_view text) {
  // Every such question may drop work: a reflexive Enter, or Escape, keeps it.
  QMessageBox box(QMessageBox::NoIcon, q(title), q(text), QMessageBox::Ok | QMessageBox::Cancel, owner());
  box.setDefaultButton(QMessageBox::Cancel);
  box.setEscapeButton(QMessageBox::Cancel);
  fitTitle(box);
  return box.exec() == QMessageBox::Ok;
}

bool QtDialogs::askYesNo(std::string_view title, std::string_view text) {
  QMessageBox box(QMessageBox::Question, q(title), q(text), QMessageBox::NoButton, owner());
  QPushButton* yes = box.addButton(QStringLiteral("&Oui"), QMessageBox::YesRole);
  box.addButton(QStringLiteral("&Non"), QMessageBox::NoRole);
  box.setDefaultButton(yes);
  fitTitle(box);
  box.exec();
  return box.clickedButton() == yes;
}

std::optional<std::filesystem::path> QtDialogs::chooseFileToOpen() {
  QString filter = kProgramsFilter;
  return chosenPath(QFileDialog::getOpenFileName(owner(), QString(), QString(), kFilters, &filter, kOwnDialog));
}

std::optional<ChosenFile> QtDialogs::chooseFileToSave(const std::filesystem::path& suggestion) {
  // The program asks its own overwrite question. A suggestion opens the
  // dialog in its folder with its name filled in, under the filter that
  // shows it: Enter on a name without ".prg" writes that same file.
  const QFileInfo suggested(toQString(suggestion));
  QString filter = suggestion.empty() || suggested.suffix().compare(QLatin1String("prg"), Qt::CaseInsensitive) == 0
                       ? kProgramsFilter
                       : kAllFilesFilter;
  const auto path = chosenPath(QFileDialog::getSaveFileName(owner(), QString(), toQString(suggestion), kFilters,
                                                            &filter, kOwnDialog | QFileDialog::DontConfirmOverwrite));
  if (!path) return std::nullopt;
  return ChosenFile{*path, filter == kAllFilesFilter ? FileFilter::All : FileFilter::Programs};
}

std::optional<std::filesystem::path> QtDialogs::chooseFileToRead(std::string_view caption, std::string_view filters) {
  return chosenPath(
      QFileDialog::getOpenFileName(owner(), utf8(caption), QString(), utf8(filters), nullptr, kOwnDialog));
}

std::optional<std::filesystem::path> QtDialogs::chooseFileToWrite(std::string_view caption, std::string_view filters) {
  return chosenPath(
      QFileDialog::getSaveFileName(owner(), utf8(caption), QString(), utf8(filters), nullptr, kOwnDialog));
}

SaveChoice QtDialogs::askSaveFirst(std::string_view title, std::string_view text) {
  QMessageBox box(QMessageBox::NoIcon, q(title), q(text), QMessageBox::NoButton, owner());
  QPushButton* save = box.addButton(QStringLiteral("&Enregistrer"), QMessageBox::AcceptRole);
  QPushButton* drop = box.addButton(QStringLiteral("&Ne pas enregistrer"), QMessageBox::DestructiveRole);
  QPushButton* back = box.addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole);
  // A reflexive Enter or Escape loses nothing.
  box.setDefaultButton(back);
  box.setEscapeButton(back);
  fitTitle(box);
  box.exec();
  return box.clickedButton() == save ? SaveChoice::Save
         : box.clickedButton() == drop ? SaveChoice::Drop
                                       : SaveChoice::GoBack;
}

void QtDialogs::reportError(std::string_view text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("VELKOR"), q(text), QMessageBox::Ok, owner());
  fitTitle(box);
  box.exec();
}

}  // namespace velkor
