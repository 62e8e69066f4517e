// A plain rectangle drawn with a wide pen, whose colour the simulation
// switches to show the output's state.
#pragma once

#include <QColor>
#include <QWidget>

namespace velkor {

class RectangleShape : public QWidget {
  Q_OBJECT

 public:
  explicit RectangleShape(QWidget* parent = nullptr);

  QColor penColor() const { return penColor_; }
  void setPenColor(const QColor& color);
  int penWidth() const { return penWidth_; }
  void setPenWidth(int width);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor penColor_{Qt::black};
  int penWidth_ = 1;
};

}  // namespace velkor
