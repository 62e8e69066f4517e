#include "gui/editor/names_window.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/common/window_placement.h"
#include "gui/editor/history_binding.h"

namespace velkor {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// Room for so many average characters.
int charactersWide(const QWidget* widget, int count) { return widget->fontMetrics().averageCharWidth() * count; }

}  // namespace

NamesWindow::NamesWindow(ProgramDocument& document, HistoryBinding& history, const QList<QAction*>& historyActions,
                         QWidget* editor)
    : QWidget(editor, Qt::Window), document_(document), history_(history) {
  setObjectName("NomsEtCommentaires");
  setWindowTitle(QStringLiteral("Noms et commentaires"));
  setAttribute(Qt::WA_QuitOnClose, false);
  // Ctrl+Z and its kin undo the program's steps here too.
  addActions(historyActions);

  fields_.reserve(2 + 2 * kSignalCount);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(buildProgramFields());
  auto* io = new QHBoxLayout;
  io->addWidget(buildSignals(QStringLiteral("Entrées"), 0, kFirstOutputSignal));
  io->addWidget(buildSignals(QStringLiteral("Sorties"), kFirstOutputSignal, kSignalCount - kFirstOutputSignal));
  layout->addLayout(io);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("&Fermer"));
  connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::close);
  layout->addWidget(buttons);

  history_.addPendingEdit([this] { commit(); });
  showNames();
}

QWidget* NamesWindow::buildProgramFields() {
  auto* group = new QGroupBox(QStringLiteral("Programme"), this);
  auto* form = new QFormLayout(group);
  auto* title = new QLineEdit(group);
  title->setObjectName("titre");
  auto* comment = new QPlainTextEdit(group);
  comment->setObjectName("commentaire");
  comment->setTabChangesFocus(true);
  comment->setFixedHeight(comment->fontMetrics().lineSpacing() * 3 + 2 * comment->frameWidth() + 8);
  form->addRow(QStringLiteral("&Titre :"), title);
  form->addRow(QStringLiteral("&Commentaire :"), comment);
  addField(title, -1, false);
  addField(comment, -1, true);
  return group;
}

QWidget* NamesWindow::buildSignals(const QString& title, int first, int count) {
  auto* group = new QGroupBox(title, this);
  auto* grid = new QGridLayout(group);
  grid->addWidget(new QLabel(QStringLiteral("Nom"), group), 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Commentaire"), group), 0, 2);
  for (int row = 1, signal = first; signal < first + count; ++row, ++signal) {
    const QString id = q(signalId(signal));
    auto* label = new QLabel(id, group);
    auto* name = new QLineEdit(group);
    name->setObjectName(QStringLiteral("nom") + id);
    name->setMinimumWidth(charactersWide(name, 16));
    auto* comment = new QLineEdit(group);
    comment->setObjectName(QStringLiteral("commentaire") + id);
    comment->setMinimumWidth(charactersWide(comment, 22));
    label->setBuddy(name);
    grid->addWidget(label, row, 0);
    grid->addWidget(name, row, 1);
    grid->addWidget(comment, row, 2);
    addField(name, signal, false);
    addField(comment, signal, true);
  }
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(count + 1, 1);
  return group;
}

void NamesWindow::addField(QWidget* widget, int signal, bool comment) {
  const std::size_t index = fields_.size();
  fields_.push_back({widget, signal, comment});
  widget->installEventFilter(this);
  if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    connect(line, &QLineEdit::textEdited, this, [this, index] { typedIn(fields_[index]); });
    connect(line, &QLineEdit::returnPressed, this, [this, index] { commit(fields_[index]); });
  } else if (auto* text = qobject_cast<QPlainTextEdit*>(widget)) {
    connect(text, &QPlainTextEdit::textChanged, this, [this, index] {
      if (!showing_) typedIn(fields_[index]);
    });
  }
}

void NamesWindow::showWindow() {
  showBesideEditor(this, placed_);
}

std::string& NamesWindow::valueOf(const Field& field, ProgramNames& names) const {
  if (field.signal < 0) return field.comment ? names.comment : names.title;
  SignalNote& note = names.notes[std::size_t(field.signal)];
  return field.comment ? note.comment : note.name;
}

QString NamesWindow::textOf(const Field& field) {
  if (auto* line = qobject_cast<QLineEdit*>(field.widget)) return line->text();
  return static_cast<QPlainTextEdit*>(field.widget)->toPlainText();
}

// What the step changed, as the "Annuler ..." entry names it.
std::string NamesWindow::stepLabel(const Field& field) {
  if (field.signal < 0) return field.comment ? "le commentaire du programme" : "le titre";
  return (field.comment ? "le commentaire (" : "le nom (") + signalId(field.signal) + ")";
}

// As a digit typed in a number field: the program is modified at once, the
// step comes when the field is left.
void NamesWindow::typedIn(Field& field) {
  field.typed = true;
  document_.ProgramModified = true;
  history_.updateCaption();
}

void NamesWindow::commit(Field& field) {
  if (!field.typed) return;
  field.typed = false;
  const std::string text = textOf(field).toStdString();
  std::string& value = valueOf(field, document_.names);
  if (value == text) return;
  value = text;
  // The fields already show the names: the other fields keep what is typed in them.
  committing_ = true;
  history_.namesChanged(stepLabel(field));
  committing_ = false;
}

void NamesWindow::commit() {
  for (Field& field : fields_) commit(field);
}

void NamesWindow::showNames() {
  if (committing_) return;
  showing_ = true;
  for (Field& field : fields_) {
    field.typed = false;
    const QString text = q(valueOf(field, document_.names));
    if (textOf(field) == text) continue;
    if (auto* line = qobject_cast<QLineEdit*>(field.widget)) {
      line->setText(text);
      line->setCursorPosition(0);  // a long text shows from its start
    } else {
      static_cast<QPlainTextEdit*>(field.widget)->setPlainText(text);
    }
  }
  showing_ = false;
}

bool NamesWindow::eventFilter(QObject* watched, QEvent* e) {
  switch (e->type()) {
    case QEvent::ShortcutOverride:
      if (HistoryBinding::isHistoryKey(static_cast<QKeyEvent*>(e))) {
        e->ignore();  // to the window's Annuler and Rétablir
        return true;
      }
      break;
    case QEvent::KeyPress:
      if (HistoryBinding::isHistoryKey(static_cast<QKeyEvent*>(e))) return true;
      break;
    case QEvent::FocusOut:
      // Leaving the field, or the window: the edit is a step. A menu or a
      // list opening over the field does not leave it.
      if (static_cast<QFocusEvent*>(e)->reason() != Qt::PopupFocusReason)
        for (Field& field : fields_)
          if (field.widget == watched) commit(field);
      break;
    default: break;
  }
  return QWidget::eventFilter(watched, e);
}

void NamesWindow::hideEvent(QHideEvent* e) {
  commit();  // closing the window keeps what was typed
  QWidget::hideEvent(e);
}

}  // namespace velkor
