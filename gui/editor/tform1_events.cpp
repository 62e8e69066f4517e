// The field handlers: focus, keys, clicks, all forwarded to the document.
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include "gui/editor/history_binding.h"
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

bool TForm1::eventFilter(QObject* watched, QEvent* e) {
  const FieldId id = PagesView::fieldOf(watched);
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
      if (isFieldFocusChange(static_cast<QFocusEvent*>(e))) edit01_01Exit(qobject_cast<QLineEdit*>(watched));
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
  const FieldId id = PagesView::fieldOf(slot);
  program_.document.choix01_01Enter(id);
  pages_->show(id.page);
}

// True when the key is discarded.
bool TForm1::choix01_01KeyPress(QComboBox* slot, QKeyEvent* key) {
  const char c = characterOf(key);
  if (c == 0) return false;  // arrows still pick from the list
  return !program_.document.choix01_01KeyPress(PagesView::fieldOf(slot), c);
}

void TForm1::choix01_01Select(FieldId slot, const QString& choice) {
  program_.document.choix01_01Select(slot, choice.toStdString());
  history_->changed(slot);
}

void TForm1::ou01_01Click(FieldId link) { history_->changed(link, program_.document.ou01_01Click(link)); }

void TForm1::supinf01_01Click(FieldId comparator) {
  history_->changed(comparator, program_.document.supinf01_01Click(comparator));
}

bool TForm1::edit01_01KeyPress(QLineEdit* field, QKeyEvent* key) {
  const char c = characterOf(key);
  if (c == 0) return false;
  const bool discard = !program_.document.edit01_01KeyPress(PagesView::fieldOf(field), c, field->hasSelectedText());
  history_->updateCaption();
  return discard;
}

bool TForm1::pause1KeyPress(QLineEdit* field, QKeyEvent* key) {
  const char c = characterOf(key);
  if (c == 0) return false;
  const bool discard = !program_.document.pause1KeyPress(PagesView::fieldOf(field), c, field->hasSelectedText());
  history_->updateCaption();
  return discard;
}

void TForm1::edit01_01Exit(QLineEdit* field) {
  if (field) history_->left(PagesView::fieldOf(field));
}

void TForm1::zero1Click(FieldId hold) {
  program_.document.zero1Click(hold);
  history_->changed(hold);
}

}  // namespace velkor
