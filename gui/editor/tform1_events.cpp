// The field handlers: focus, keys, clicks, all forwarded to the document.
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

#include "gui/editor/tform1.h"

namespace velkor {
namespace {

// Focus that moves with the window's activation or a popup (a menu, a
// drop-down list) is not the user entering or leaving a field.
bool isFieldFocusChange(const QFocusEvent* e) {
  return e->reason() != Qt::PopupFocusReason && e->reason() != Qt::ActiveWindowFocusReason;
}

// The character a key produces, if it produces one; 0 for keys that do not
// (arrows, Delete, shortcuts), which reach the field untouched.
char characterOf(const QKeyEvent* e) {
  if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return 0;
  if (e->key() == Qt::Key_Backspace) return '\b';
  const QString text = e->text();
  if (text.size() != 1) return 0;
  const QChar c = text.front();
  if (c.unicode() < 0x20 || c.unicode() == 0x7F) return 0;
  return c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : '\x01';  // anything else is no digit
}

bool isHistoryKey(const QKeyEvent* e) {
  const QKeyCombination key = e->keyCombination();
  return key == (Qt::CTRL | Qt::Key_Z) || key == (Qt::CTRL | Qt::Key_Y) || key == (Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
}

}  // namespace

FieldId TForm1::fieldOf(const QObject* widget) const {
  if (!widget) return {};
  return parseFieldName(widget->objectName().toStdString()).value_or(FieldId{});
}

void TForm1::apply(const Reaction& reaction) {
  if (reaction.beep) dialogs_.beep();
  if (!reaction.focus) return;
  QWidget* target = fieldWidget(*reaction.focus);
  if (!target) return;
  target->setFocus(Qt::OtherFocusReason);
  if (reaction.selectAll) {
    if (auto* combo = qobject_cast<QComboBox*>(target)) combo->lineEdit()->selectAll();
    else if (auto* edit = qobject_cast<QLineEdit*>(target)) edit->selectAll();
  }
}

bool TForm1::eventFilter(QObject* watched, QEvent* e) {
  const FieldId id = fieldOf(watched);
  if (!isValidField(id)) return QMainWindow::eventFilter(watched, e);
  switch (e->type()) {
    case QEvent::ShortcutOverride:
      // Ctrl+Z and its kin undo the program's steps, not the field's typing.
      if (isHistoryKey(static_cast<QKeyEvent*>(e))) {
        e->ignore();
        return true;
      }
      break;
    case QEvent::FocusIn:
      if (id.family == FieldFamily::Slot && isFieldFocusChange(static_cast<QFocusEvent*>(e)))
        choix01_01Enter(static_cast<QComboBox*>(watched));
      break;
    case QEvent::FocusOut:
      if (isFieldFocusChange(static_cast<QFocusEvent*>(e))) leaveNumber(qobject_cast<QLineEdit*>(watched));
      break;
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(e);
      if (isHistoryKey(key)) return true;  // nothing to undo yet: not the field's own undo either
      switch (id.family) {
        case FieldFamily::Slot: return choix01_01KeyPress(static_cast<QComboBox*>(watched), key);
        case FieldFamily::Threshold:
        case FieldFamily::Voltage: return edit01_01KeyPress(static_cast<QLineEdit*>(watched), key);
        case FieldFamily::Pause: return pause1KeyPress(static_cast<QLineEdit*>(watched), key);
        default: break;
      }
      break;
    }
    default: break;
  }
  return QMainWindow::eventFilter(watched, e);
}

void TForm1::choix01_01Enter(QComboBox* slot) {
  const FieldId id = fieldOf(slot);
  program_.document.choix01_01Enter(id);
  showPage(id.page);
}

// True when the key is discarded.
bool TForm1::choix01_01KeyPress(QComboBox* slot, QKeyEvent* key) {
  const char c = characterOf(key);
  if (c == 0) return false;  // arrows still pick from the list
  return !program_.document.choix01_01KeyPress(fieldOf(slot), c);
}

void TForm1::choix01_01Select(int index) {
  auto* slot = qobject_cast<QComboBox*>(sender());
  if (!slot || index < 0) return;
  const FieldId id = fieldOf(slot);
  program_.document.choix01_01Select(id, slot->itemText(index).toStdString());
  showPage(id.page);
  recordStep(id);
}

void TForm1::ou01_01Click() {
  const FieldId id = fieldOf(sender());
  const Reaction r = program_.document.ou01_01Click(id);
  showPage(id.page);
  apply(r);
  recordStep(id);
}

void TForm1::supinf01_01Click() {
  const FieldId id = fieldOf(sender());
  const Reaction r = program_.document.supinf01_01Click(id);
  showPage(id.page);
  apply(r);
  recordStep(id);
}

bool TForm1::edit01_01KeyPress(QLineEdit* field, QKeyEvent* key) {
  const char c = characterOf(key);
  if (c == 0) return false;
  const bool discard = !program_.document.edit01_01KeyPress(fieldOf(field), c, field->hasSelectedText());
  updateCaption();
  return discard;
}

bool TForm1::pause1KeyPress(QLineEdit* field, QKeyEvent* key) {
  const char c = characterOf(key);
  if (c == 0) return false;
  const bool discard = !program_.document.pause1KeyPress(fieldOf(field), c, field->hasSelectedText());
  updateCaption();
  return discard;
}

void TForm1::numberEdited(const QString& text) {
  auto* field = qobject_cast<QLineEdit*>(sender());
  if (!field) return;
  const FieldId id = fieldOf(field);
  if (!program_.document.setNumberText(id, text.toStdString())) {
    dialogs_.beep();
    field->setText(QString::fromStdString(program_.document.numberText(id)));
  }
  typing_ = id;  // a step once the field is left; undoable from now on
  updateEditMenu();
  updateCaption();
  Q_EMIT programChanged();
}

// The leave rules of the numeric fields (edit01_01Exit, tension1Exit, pause1Exit).
void TForm1::leaveNumber(QLineEdit* field) {
  if (!field) return;
  const FieldId id = fieldOf(field);
  const Reaction r = program_.document.leaveField(id);
  showPage(id.page);
  if (r.beep) dialogs_.beep();
  typing_.reset();
  recordStep(id);  // a number typed is one step once its field is left
}

void TForm1::leaveTypedNumber() {
  if (typing_) leaveNumber(qobject_cast<QLineEdit*>(fieldWidget(*typing_)));
}

void TForm1::zero1Click() {
  const FieldId id = fieldOf(sender());
  program_.document.zero1Click(id);
  showPage(id.page);
  recordStep(id);
}

void TForm1::pagecontrol1Change(int index) {
  buildPage(index + 1);
  program_.document.activePage = index + 1;
  // When the focus was in a field of the old page (the stacked pages have
  // already moved it into the new one), it goes to the new page's first field.
  QWidget* fw = focusWidget();
  if (fw && fw != pagecontrol1->tabBar() && pagecontrol1->isAncestorOf(fw))
    firstField(index + 1)->setFocus(Qt::OtherFocusReason);
}

}  // namespace velkor
