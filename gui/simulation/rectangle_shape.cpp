#include "gui/simulation/rectangle_shape.h"

#include <QPainter>
#include <QPen>

namespace velkor {

RectangleShape::RectangleShape(QWidget* parent) : QWidget(parent) {}

void RectangleShape::setPenColor(const QColor& color) {
  // Set after every pass: only a real change may cost a repaint.
  if (color == penColor_) return;
  penColor_ = color;
  update();
}

void RectangleShape::setPenWidth(int width) {
  if (width == penWidth_) return;
  penWidth_ = width;
  update();
}

void RectangleShape::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QPen pen(penColor_, penWidth_);
  pen.setJoinStyle(Qt::MiterJoin);
  painter.setPen(pen);
  painter.setBrush(Qt::white);
  // The pen is centred on the outline: inset by half its width so it stays inside.
  const qreal half = penWidth_ / 2.0;
  painter.drawRect(QRectF(rect()).adjusted(half, half, -half, -half));
}

}  // namespace velkor
