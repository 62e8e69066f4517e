#include "gui/editor/file_menu.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <utility>

#include "gui/editor/command_runner.h"
#include "gui/editor/history_binding.h"
#include "gui/editor/pages_view.h"
#include "image/file_commands.h"

namespace velkor {
namespace {

std::string fileName(const std::filesystem::path& file) { return toQString(file.filename()).toStdString(); }

// "Fichier introuvable : NAME", and that it leaves the list.
std::string missingRecentFile(const QString& name) {
  return "Fichier introuvable : " + name.toStdString() + "\rIl est retiré de la liste des derniers fichiers.";
}

// The one local file a drag carries, if that is what it carries.
QString droppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl url = data->urls().front();
  return url.isLocalFile() ? url.toLocalFile() : QString();
}

}  // namespace

FileMenu::FileMenu(Program& program, UserDialogs& dialogs, HistoryBinding& history, PagesView& pages,
                   const CommandRunner& runner, QMenu* menu, QAction* recentEnd, QWidget* window)
    : program_(program),
      dialogs_(dialogs),
      history_(history),
      pages_(pages),
      runner_(runner),
      menu_(menu),
      recentEnd_(recentEnd),
      window_(window) {
  connect(menu_, &QMenu::aboutToShow, this, &FileMenu::showRecentFiles);
  window_->setAcceptDrops(true);  // a program file dropped on the window opens
  window_->installEventFilter(this);
}

void FileMenu::nouveau() {
  if (refused_) return dialogs_.beep();
  history_.leaveTypedNumber();
  if (!confirmLoseChanges(program_, dialogs_)) return;
  // As at start: the document as the window created it, then reset.
  const ProgramDocument created;
  for (int p = 1; p <= kPageCount; ++p) program_.document.page(p) = created.page(p);
  history_.programReplaced(program_.initialiserPages(), "le nouveau programme", ProgramOrigin::none());
}

void FileMenu::ouvrir() {
  if (refused_) return dialogs_.beep();
  history_.leaveTypedNumber();
  runner_.run([this]() -> std::optional<Reaction> {
    // The pages show what was read before any message about the file.
    const auto outcome = ouvrirProgramme(program_, dialogs_, [this](const OpenOutcome& o) { fileOpened(o); });
    if (!outcome) return std::nullopt;
    return outcome->reaction;
  });
}

void FileMenu::save(bool toCurrentFile) {
  if (refused_) return dialogs_.beep();
  history_.leaveTypedNumber();  // the file is that of the program saved
  // The file the caption names: the one the pages were last opened from or
  // saved to, as undo and redo left them. Sauvegarder's dialog opens on it.
  const ProgramOrigin& origin = history_.history().origin();
  const std::filesystem::path& current = origin.file;  // empty unless a file
  // A file read damaged is only replaced once the user has chosen it again.
  if (origin.partial) toCurrentFile = false;
  runner_.run([&] {
    const auto written = toCurrentFile ? enregistrerProgramme(program_, dialogs_, current)
                                       : sauvegarderProgramme(program_, dialogs_, current);
    if (written) {
      history_.saved(*written);
      recent_.add(*written);
    }
  });
  history_.updateCaption();
}

void FileMenu::fileOpened(const OpenOutcome& outcome) {
  const bool ok = outcome.status == FileStatus::Ok;
  history_.programReplaced(outcome.reaction, "l'ouverture de " + fileName(outcome.file),
                           ok ? ProgramOrigin::fromFile(outcome.file, !outcome.damaged.empty())
                              : ProgramOrigin::none());
  if (ok) recent_.add(outcome.file);
}

void FileMenu::openFile(const std::filesystem::path& path) {
  if (refused_) return dialogs_.beep();
  history_.leaveTypedNumber();
  if (!confirmLoseChanges(program_, dialogs_)) return;
  // The pages show what was read before any message about the file.
  pages_.apply(ouvrirFichier(program_, dialogs_, path, [this](const OpenOutcome& o) { fileOpened(o); }).reaction);
}

void FileMenu::windowUp() {
  if (fileAtStart_.empty()) return;
  QTimer::singleShot(0, this, [this] {
    if (fileAtStart_.empty()) return;
    openFile(std::exchange(fileAtStart_, {}));
  });
}

void FileMenu::showRecentFiles() {
  for (QAction* entry : recentEntries_) delete entry;
  recentEntries_.clear();
  const QStringList& files = recent_.files();
  for (int i = 0; i < files.size(); ++i) {
    const QString file = files[i];
    auto* entry = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(file).fileName()), menu_);
    entry->setObjectName(QStringLiteral("Recent%1").arg(i + 1));
    entry->setToolTip(file);
    entry->setEnabled(!refused_);
    connect(entry, &QAction::triggered, this, [this, file] { openRecentFile(file); });
    menu_->insertAction(recentEnd_, entry);
    recentEntries_.push_back(entry);
  }
  recentEnd_->setVisible(!files.isEmpty());
}

void FileMenu::openRecentFile(const QString& file) {
  if (!QFileInfo::exists(file)) {
    dialogs_.beep();
    dialogs_.showMessage(missingRecentFile(QFileInfo(file).fileName()));
    recent_.remove(file);
    return;
  }
  openFile(toPath(file));
}

bool FileMenu::eventFilter(QObject* watched, QEvent* event) {
  if (watched != window_) return false;
  if (event->type() == QEvent::DragEnter) {
    auto* enter = static_cast<QDragEnterEvent*>(event);
    if (droppedFile(enter->mimeData()).isEmpty()) return false;
    enter->acceptProposedAction();
    return true;
  }
  if (event->type() == QEvent::Drop) {
    auto* drop = static_cast<QDropEvent*>(event);
    const QString file = droppedFile(drop->mimeData());
    if (file.isEmpty()) return false;
    drop->acceptProposedAction();
    // The question and the messages must not run inside the drag source's drop.
    QTimer::singleShot(0, this, [this, file] {
      window_->activateWindow();
      openFile(toPath(file));
    });
    return true;
  }
  return false;
}

}  // namespace velkor
