#include "gui/paint/chart_painter.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>

namespace velkor {

namespace {
QColor qColor(ChartColor c) { return QColor(c.r, c.g, c.b); }
}  // namespace

void paintChart(QPainter& painter, const ChartPicture& picture) {
  painter.save();
  QFont font = painter.font();
  font.setPixelSize(std::max(1, int(picture.fontPixels + 0.5)));
  painter.setFont(font);
  const QFontMetricsF metrics(font, painter.device());
  QPolygonF polygon;
  for (const ChartShape& shape : picture.shapes) {
    switch (shape.kind) {
      case ChartShape::Kind::Rect:
        painter.fillRect(QRectF(shape.points[0].x, shape.points[0].y, shape.points[1].x, shape.points[1].y),
                         qColor(shape.color));
        break;
      case ChartShape::Kind::Polyline:
        polygon.resize(qsizetype(shape.points.size()));
        for (std::size_t i = 0; i < shape.points.size(); ++i)
          polygon[qsizetype(i)] = QPointF(shape.points[i].x, shape.points[i].y);
        {
          // Hairlines: device pixels, whatever the screen's scale, so dense
          // lanes stay on the rasteriser's fast path for thin lines.
          QPen pen(qColor(shape.color), shape.penWidth);
          pen.setCosmetic(picture.hairlines);
          painter.setPen(pen);
        }
        painter.drawPolyline(polygon);
        break;
      case ChartShape::Kind::Text: {
        const QString text = QString::fromStdString(shape.text);
        double x = shape.points[0].x;
        if (shape.align != TextAlign::Left) {
          const double width = metrics.horizontalAdvance(text);
          x -= shape.align == TextAlign::Centre ? width / 2 : width;
        }
        painter.setPen(qColor(shape.color));
        painter.drawText(QPointF(x, shape.points[0].y), text);
        break;
      }
    }
  }
  painter.restore();
}

QImage chartImage(const ChartPicture& picture) {
  QImage image(std::max(1, picture.width), std::max(1, picture.height), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, false);
  paintChart(painter, picture);
  return image;
}

QByteArray chartPng(const ChartPicture& picture) {
  const QImage image = chartImage(picture);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (image.isNull() || !image.save(&buffer, "PNG")) return {};
  return bytes;
}

}  // namespace velkor
