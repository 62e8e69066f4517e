#include "gui/simulation/lamp.h"

#include <QPainter>

namespace velkor {

Lamp::Lamp(QWidget* parent) : QWidget(parent) { setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed); }

void Lamp::setLit(bool lit) {
  if (lit == lit_) return;
  lit_ = lit;
  update();
}

QSize Lamp::sizeHint() const {
  const int side = fontMetrics().height() + 4;
  return {side, side};
}

void Lamp::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const int side = std::min(width(), height()) - 2;
  const QRectF disc((width() - side) / 2.0, (height() - side) / 2.0, side, side);
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(lit_ ? QColor(0, 200, 0) : QColor(90, 90, 90));
  painter.drawEllipse(disc);
}

}  // namespace velkor
