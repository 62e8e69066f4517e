// The chart as SVG, written directly: the command line writes it without
// any graphics library.
#include <cstdio>

#include "simulation/chart.h"
#include "simulation/xml_text.h"

namespace velkor {

namespace {

std::string number(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f", v);
  std::string s = buffer;
  if (s.ends_with(".0")) s.resize(s.size() - 2);
  return s == "-0" ? "0" : s;
}

std::string colour(ChartColor c) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", c.r, c.g, c.b);
  return buffer;
}

}  // namespace

std::string chartSvg(const ChartPicture& picture) {
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(picture.width) + "\" height=\"" +
         std::to_string(picture.height) + "\" viewBox=\"0 0 " + std::to_string(picture.width) + " " +
         std::to_string(picture.height) + "\" font-family=\"sans-serif\" font-size=\"" +
         number(picture.fontPixels) + "\">\n";
  for (const ChartShape& shape : picture.shapes) {
    switch (shape.kind) {
      case ChartShape::Kind::Rect:
        svg += "<rect x=\"" + number(shape.points[0].x) + "\" y=\"" + number(shape.points[0].y) + "\" width=\"" +
               number(shape.points[1].x) + "\" height=\"" + number(shape.points[1].y) + "\" fill=\"" +
               colour(shape.color) + "\"/>\n";
        break;
      case ChartShape::Kind::Polyline: {
        svg += "<polyline fill=\"none\" stroke=\"" + colour(shape.color) + "\" stroke-width=\"" +
               number(shape.penWidth) + "\" points=\"";
        for (std::size_t i = 0; i < shape.points.size(); ++i)
          svg += (i ? " " : "") + number(shape.points[i].x) + "," + number(shape.points[i].y);
        svg += "\"/>\n";
        break;
      }
      case ChartShape::Kind::Text: {
        const char* anchor = shape.align == TextAlign::Left ? "start"
                             : shape.align == TextAlign::Centre ? "middle"
                                                                : "end";
        svg += "<text x=\"" + number(shape.points[0].x) + "\" y=\"" + number(shape.points[0].y) +
               "\" text-anchor=\"" + anchor + "\" fill=\"" + colour(shape.color) + "\">" + xmlText(shape.text) +
               "</text>\n";
        break;
      }
    }
  }
  return svg + "</svg>\n";
}

}  // namespace velkor
