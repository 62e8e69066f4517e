// Every window of the editor is laid out in pixels for the default desktop
// font (9 pt at 96 dpi, 12 pixels). A larger font scales the whole window
// with it, positions, sizes and the window's own fonts alike, as forms
// designed in dialog units do, so nothing is clipped or overlaps; a smaller
// one keeps the designed size.
#pragma once

#include <QApplication>
#include <QFont>
#include <QFontInfo>
#include <QRect>
#include <cmath>

namespace velkor {

class FormScale {
 public:
  // The scale of the application's font against the designed 12 pixels.
  static FormScale ofApplication() { return FormScale(QApplication::font()); }

  // The font's size in pixels at the screen's logical DPI. Qt scales whole
  // windows for the screen's DPI itself (device pixel ratio): only a font
  // larger than the designed one, in those pixels, counts here.
  explicit FormScale(const QFont& font) {
    const double pixels = QFontInfo(font).pixelSize();
    factor_ = pixels > kDesignPixels ? pixels / kDesignPixels : 1.0;
  }

  double factor() const { return factor_; }
  int operator()(int designed) const { return static_cast<int>(std::lround(designed * factor_)); }
  QSize operator()(QSize s) const { return {(*this)(s.width()), (*this)(s.height())}; }
  QPoint operator()(QPoint p) const { return {(*this)(p.x()), (*this)(p.y())}; }
  // Edges are scaled, not sizes, so neighbours that touched still touch.
  QRect operator()(QRect r) const {
    const int left = (*this)(r.left());
    const int top = (*this)(r.top());
    return {left, top, (*this)(r.left() + r.width()) - left, (*this)(r.top() + r.height()) - top};
  }
  // A font of the window: its designed size grows with the factor.
  QFont pointFont(QFont font, double designedPoints) const {
    font.setPointSizeF(designedPoints * factor_);
    return font;
  }

 private:
  static constexpr double kDesignPixels = 12.0;

  double factor_ = 1.0;
};

}  // namespace velkor
