// Spin field for an analog input in millivolts.
//
// The simulation reads what is typed, so typing is not clamped: "6000"
// stays "6000" while the field has the focus and only becomes the maximum
// when the field loses it. The arrows step within the range.
#pragma once

#include <QSpinBox>
#include <QString>

namespace velkor {

class InputSpinBox : public QSpinBox {
  Q_OBJECT

 public:
  static constexpr int kMaxTypedLength = 4;

  explicit InputSpinBox(QWidget* parent = nullptr);

  // The text as typed, which is what counts.
  QString typedText() const;
  void setTypedText(const QString& text);

 Q_SIGNALS:
  // Every change of the text, typed or set, whether or not it is in range.
  void typedTextChanged(const QString& text);

 protected:
  QValidator::State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;
  int valueFromText(const QString& text) const override;
  QString textFromValue(int value) const override;
};

}  // namespace velkor
