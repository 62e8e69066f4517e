// Everyday editing around the pages: the Édition menu, "Nouveau", the recent
// files, files given at start or dropped, and the help.
#include <QAction>
#include <algorithm>
#include <utility>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTabWidget>
#include <QTimer>

#include "gui/editor/help_window.h"
#include "gui/editor/history_binding.h"
#include "gui/editor/tform1.h"
#include "image/file_commands.h"

namespace velkor {
namespace {

// Runs `before` ahead of an action that its keyboard shortcut triggers, as
// opening the action's menu does.
class BeforeShortcut : public QObject {
 public:
  BeforeShortcut(std::function<void()> before, QObject* parent) : QObject(parent), before_(std::move(before)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Shortcut) {
      auto* action = qobject_cast<QAction*>(watched);
      if (action && action->isEnabled()) before_();
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> before_;
};

std::string fileName(const std::filesystem::path& file) { return toQString(file.filename()).toStdString(); }

// "Fichier introuvable : NAME", and that it leaves the list.
std::string missingRecentFile(const QString& name) {
  return "Fichier introuvable : " + name.toStdString() + "\rIl est retiré de la liste des derniers fichiers.";
}

}  // namespace

void TForm1::releaseFocusBefore(std::initializer_list<QAction*> actions) {
  auto* filter = new BeforeShortcut([this] { Fichiers1Click(); }, this);
  for (QAction* action : actions) action->installEventFilter(filter);
}

void TForm1::buildEditMenu() {
  Edition1 = menuBar()->addMenu(QStringLiteral("É&dition"));
  Edition1->setObjectName("Edition1");
  // Leaving the field being edited first makes its change a step to undo.
  connect(Edition1, &QMenu::aboutToShow, this, &TForm1::Fichiers1Click);
  Annuler1 = Edition1->addAction(QStringLiteral("&Annuler"));
  Annuler1->setObjectName("Annuler1");
  Annuler1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  connect(Annuler1, &QAction::triggered, this, &TForm1::Annuler1Click);
  Retablir1 = Edition1->addAction(QStringLiteral("&Rétablir"));
  Retablir1->setObjectName("Retablir1");
  Retablir1->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  connect(Retablir1, &QAction::triggered, this, &TForm1::Retablir1Click);
  releaseFocusBefore({Annuler1, Retablir1});
}

void TForm1::buildHelpMenu() {
  QAction* aide = menuBar()->addAction(QStringLiteral("A&ide"));
  aide->setObjectName("Aide1");
  aide->setShortcut(QKeySequence(Qt::Key_F1));
  aide->setShortcutContext(Qt::ApplicationShortcut);  // also from the help window itself
  connect(aide, &QAction::triggered, this, &TForm1::Aide1Click);
}

void TForm1::Aide1Click() {
  if (!help_) help_ = new HelpWindow(this);
  help_->showGuide();
}

void TForm1::Annuler1Click() { history_->step(true); }

void TForm1::Retablir1Click() { history_->step(false); }

// --- Nouveau, files given at start, dropped or recent -----------------------------

void TForm1::Nouveau1Click() {
  if (transfer_->busy()) return dialogs_.beep();
  history_->leaveTypedNumber();
  if (!confirmLoseChanges(program_, dialogs_)) return;
  // As at start: the document as the window created it, then reset.
  const ProgramDocument created;
  for (int p = 1; p <= kPageCount; ++p) program_.document.page(p) = created.page(p);
  history_->programReplaced(program_.initialiserPages(), "le nouveau programme", ProgramOrigin::none());
}

void TForm1::fileOpened(const OpenOutcome& outcome) {
  const bool ok = outcome.status == FileStatus::Ok;
  history_->programReplaced(outcome.reaction, "l'ouverture de " + fileName(outcome.file),
                            ok ? ProgramOrigin::fromFile(outcome.file, !outcome.damaged.empty())
                               : ProgramOrigin::none());
  if (ok) recent_.add(outcome.file);
}

void TForm1::openFile(const std::filesystem::path& path) {
  if (transfer_->busy()) return dialogs_.beep();
  history_->leaveTypedNumber();
  if (!confirmLoseChanges(program_, dialogs_)) return;
  // The pages show what was read before any message about the file.
  pages_->apply(ouvrirFichier(program_, dialogs_, path, [this](const OpenOutcome& o) { fileOpened(o); }).reaction);
}

void TForm1::openFileAtStart() {
  if (fileAtStart_.empty()) return;
  const std::filesystem::path path = std::exchange(fileAtStart_, {});
  openFile(path);
}

void TForm1::showRecentFiles() {
  for (QAction* entry : recentEntries_) delete entry;
  recentEntries_.clear();
  const QStringList& files = recent_.files();
  for (int i = 0; i < files.size(); ++i) {
    const QString file = files[i];
    auto* entry = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(file).fileName()), Fichiers1);
    entry->setObjectName(QStringLiteral("Recent%1").arg(i + 1));
    entry->setToolTip(file);
    entry->setEnabled(!transfer_->busy());
    connect(entry, &QAction::triggered, this, [this, file] { openRecentFile(file); });
    Fichiers1->insertAction(recentEnd_, entry);
    recentEntries_.push_back(entry);
  }
  recentEnd_->setVisible(!files.isEmpty());
}

void TForm1::openRecentFile(const QString& file) {
  if (!QFileInfo::exists(file)) {
    dialogs_.beep();
    dialogs_.showMessage(missingRecentFile(QFileInfo(file).fileName()));
    recent_.remove(file);
    return;
  }
  openFile(toPath(file));
}

namespace {
// The one local file a drag carries, if that is what it carries.
QString droppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl url = data->urls().front();
  return url.isLocalFile() ? url.toLocalFile() : QString();
}
}  // namespace

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (!droppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  const QString file = droppedFile(event->mimeData());
  if (file.isEmpty()) return;
  event->acceptProposedAction();
  // The question and the messages must not run inside the drag source's drop.
  QTimer::singleShot(0, this, [this, file] {
    activateWindow();
    openFile(toPath(file));
  });
}

}  // namespace velkor
