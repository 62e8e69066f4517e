#include "gui/common/window_placement.h"

#include <algorithm>

namespace velkor {

SideBySide sideBySide(const QRect& area, const QRect& anchor, QSize window) {
  const int areaEnd = area.x() + area.width();
  // As high as the anchor, moved up as far as the window needs to fit.
  const int top = std::max(area.y(), std::min(anchor.y(), area.y() + area.height() - window.height()));
  const int right = anchor.x() + anchor.width();
  if (right + window.width() <= areaEnd) return {anchor.topLeft(), {right, top}};
  if (anchor.x() - window.width() >= area.x()) return {anchor.topLeft(), {anchor.x() - window.width(), top}};
  const int both = anchor.width() + window.width();
  const int left = both <= area.width() ? std::clamp(anchor.x(), area.x(), areaEnd - both) : area.x();
  const int x = both <= area.width() ? left + anchor.width() : std::max(area.x(), areaEnd - window.width());
  return {{left, anchor.y()}, {x, top}};
}

void placeBeside(QWidget* window, QWidget* anchor) {
  const QScreen* screen = anchor ? anchor->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  // The window has no frame before it is first shown: it will get the anchor's.
  const QSize frame = anchor ? anchor->frameGeometry().size() - anchor->size() : QSize();
  window->resize(window->sizeHint().boundedTo(area.size() - frame));
  if (!anchor) {
    window->move(area.topLeft() + centredPosition(area.size(), window->size() + frame));
    return;
  }
  const SideBySide places = sideBySide(area, anchor->frameGeometry(), window->size() + frame);
  if (places.anchor != anchor->frameGeometry().topLeft()) anchor->move(places.anchor);
  window->move(places.window);
}

}  // namespace velkor
