#include "gui/editor/history_binding.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTabWidget>
#include <algorithm>
#include <utility>

#include "gui/editor/pages_view.h"
#include "gui/editor/window_caption.h"

namespace velkor {
namespace {

// What a step changed, as the "Annuler ..." entry names it.
std::string stepLabel(FieldId id) {
  const std::string page = " (" + pageCaption(id.page) + ")";
  const std::string input = "EA" + std::to_string(id.position);
  switch (id.family) {
    case FieldFamily::Slot: return "le choix de condition" + page;
    case FieldFamily::Link: return "le lien" + page;
    case FieldFamily::Comparator: return "le comparateur de " + input + page;
    case FieldFamily::Threshold: return "le seuil de " + input + page;
    case FieldFamily::Voltage: return "la tension" + page;
    case FieldFamily::Pause: return "la pause" + page;
    case FieldFamily::Hold: return "le maintien" + page;
    case FieldFamily::Simulate: break;
  }
  return "la modification" + page;
}

QString q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

HistoryBinding::HistoryBinding(Program& program, PagesView& pages, UserDialogs& dialogs, QAction* undo,
                               QAction* redo, QWidget* window)
    : program_(program), pages_(pages), dialogs_(dialogs), undo_(undo), redo_(redo), window_(window) {
  updateEntries();
}

void HistoryBinding::start() {
  history_.reset(program_.document, ProgramOrigin::none());
  updateEntries();
  updateCaption();
}

void HistoryBinding::changed(FieldId id, const Reaction& reaction) {
  pages_.show(id.page);
  pages_.apply(reaction);
  recordStep(stepLabel(id));
}

void HistoryBinding::typed(QLineEdit* field, const QString& text) {
  const FieldId id = PagesView::fieldOf(field);
  if (!program_.document.setNumberText(id, text.toStdString())) {
    dialogs_.beep();
    field->setText(q(program_.document.numberText(id)));
  }
  typing_ = id;  // a step once the field is left; undoable from now on
  updateEntries();
  updateCaption();
  Q_EMIT programChanged();
}

void HistoryBinding::left(FieldId id) {
  const Reaction r = program_.document.leaveField(id);
  pages_.show(id.page);
  if (r.beep) dialogs_.beep();
  typing_.reset();
  recordStep(stepLabel(id));  // a number typed is one step once its field is left
}

void HistoryBinding::leaveTypedNumber() {
  if (typing_) left(*typing_);
  for (const auto& commit : pendingEdits_) commit();
}

void HistoryBinding::namesChanged(const std::string& label) {
  program_.document.ProgramModified = true;
  pages_.showAll();  // the titles name the outputs
  recordStep(label);
}

bool HistoryBinding::isHistoryKey(const QKeyEvent* e) {
  const QKeyCombination key = e->keyCombination();
  return key == (Qt::CTRL | Qt::Key_Z) || key == (Qt::CTRL | Qt::Key_Y) || key == (Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
}

void HistoryBinding::recordStep(const std::string& label) {
  if (replacing_) return;
  if (history_.record(program_.document, label)) updateEntries();
  updateCaption();
  Q_EMIT programChanged();
}

void HistoryBinding::programReplaced(const Reaction& reaction, const std::string& label, ProgramOrigin origin) {
  replacing_ = true;
  pages_.showAll();
  pages_.tabs()->setCurrentIndex(0);
  pages_.apply(reaction);  // the enter rule of the field it reaches is part of the step
  replacing_ = false;
  history_.recordOpened(program_.document, label, std::move(origin));
  updateEntries();
  updateCaption();
  Q_EMIT programChanged();
}

void HistoryBinding::step(bool back) {
  if (refused_) return dialogs_.beep();
  leaveTypedNumber();  // what the entry named is undone, not the step before it
  ProgramDocument& doc = program_.document;
  const std::vector<int> changed = back ? history_.undo(doc) : history_.redo(doc);
  // Show the change: the first page it touched, unless the page shown is one.
  if (!changed.empty() && std::find(changed.begin(), changed.end(), doc.activePage) == changed.end()) {
    pages_.tabs()->setCurrentIndex(changed.front() - 1);
    // Entering the page's first field ran its enter rule: the step is put
    // back exactly as it was.
    history_.restore(doc);
  }
  doc.ProgramModified = !history_.atSavedState();
  program_.construireImages();
  pages_.showAll();
  updateEntries();
  updateCaption();
  Q_EMIT programChanged();
}

void HistoryBinding::saved(const std::filesystem::path& file) {
  history_.markSaved(file);
  Q_EMIT programChanged();  // what shows the program's file follows it
}

void HistoryBinding::refuse(bool refused) {
  refused_ = refused;
  updateEntries();
}

void HistoryBinding::updateEntries() {
  // A number being typed is undone as the step it becomes when its field is
  // left, if it becomes one ("5" then Backspace does not).
  bool typedStep = false;
  if (typing_) {
    ProgramDocument left = program_.document;
    left.leaveField(*typing_);
    typedStep = history_.differs(left);
  }
  undo_->setText(QStringLiteral("&Annuler ") + q(typedStep ? stepLabel(*typing_) : history_.undoLabel()));
  undo_->setEnabled((history_.canUndo() || typedStep) && !refused_);
  redo_->setText(QStringLiteral("&Rétablir ") + q(history_.redoLabel()));
  redo_->setEnabled(history_.canRedo() && !refused_);
}

void HistoryBinding::updateCaption() {
  window_->setWindowTitle(windowCaption(history_.origin(), program_.document.ProgramModified));
}

}  // namespace velkor
