#include "gui/simulation/input_spin_box.h"

#include <QLineEdit>
#include <algorithm>

namespace velkor {

InputSpinBox::InputSpinBox(QWidget* parent) : QSpinBox(parent) {
  lineEdit()->setMaxLength(kMaxTypedLength);
  connect(lineEdit(), &QLineEdit::textChanged, this, &InputSpinBox::typedTextChanged);
}

QString InputSpinBox::typedText() const { return lineEdit()->text(); }

void InputSpinBox::setTypedText(const QString& text) { lineEdit()->setText(text); }

QValidator::State InputSpinBox::validate(QString& input, int&) const {
  // Digits, a sign and the decimal separator may be typed, in any order:
  // what does not read as a number counts as 0 until the field is left.
  const QString separator = locale().decimalPoint();
  for (const QChar c : input)
    if (!c.isDigit() && c != u'+' && c != u'-' && !separator.contains(c)) return QValidator::Invalid;
  bool ok = false;
  const int value = input.toInt(&ok);
  return ok && value >= minimum() && value <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
}

void InputSpinBox::fixup(QString& input) const {
  bool ok = false;
  const int value = input.toInt(&ok);
  input = textFromValue(ok ? std::clamp(value, minimum(), maximum()) : minimum());
}

int InputSpinBox::valueFromText(const QString& text) const { return text.toInt(); }

QString InputSpinBox::textFromValue(int value) const { return QString::number(value); }

}  // namespace velkor
