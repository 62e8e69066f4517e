// A round lamp that shows a logic output: lit green while active.
#pragma once

#include <QWidget>

namespace velkor {

class Lamp : public QWidget {
  Q_OBJECT

 public:
  explicit Lamp(QWidget* parent = nullptr);
  bool isLit() const { return lit_; }
  void setLit(bool lit);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool lit_ = false;
};

}  // namespace velkor
