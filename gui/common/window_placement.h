// Where windows open: the editor, its About box and help, and the simulation
// windows in the middle of the screen, halves truncated toward zero; the
// board window beside the editor.
#pragma once

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

namespace velkor {

inline QPoint centredPosition(QSize screen, QSize window) {
  return {(screen.width() - window.width()) / 2, (screen.height() - window.height()) / 2};
}

inline void centreOnScreen(QWidget* window) {
  if (QScreen* screen = QGuiApplication::primaryScreen())
    window->move(screen->geometry().topLeft() + centredPosition(screen->geometry().size(), window->size()));
}

// Shows a window in front of the others, restored first when it was
// minimised: show() and raise() alone leave an icon an icon.
inline void bringToFront(QWidget* window) {
  window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->show();
  window->raise();
  window->activateWindow();
}

// Frame positions of two windows side by side within `area`.
struct SideBySide {
  QPoint anchor;  // where the window already there goes (mostly where it is)
  QPoint window;  // where the new one opens
};

// The new window (frame `window`) beside `anchor` (its frame): on its right
// where there is room, else on its left; where neither side has room the
// anchor moves just as far as both need to fit, the new window on its
// right. On an area too small for both, each keeps to its own edge and the
// new one overlaps as little as it can.
SideBySide sideBySide(const QRect& area, const QRect& anchor, QSize window);

// Sizes `window` to its size hint (within the screen) and places it beside
// `anchor`, moving the anchor when it must.
void placeBeside(QWidget* window, QWidget* anchor);

// A window of the editor's shown in front: the first time (`placed` false)
// beside the editor's window, so that the pages stay in sight, then where
// the user left it.
inline void showBesideEditor(QWidget* window, bool& placed) {
  if (!placed) {
    placed = true;
    placeBeside(window, window->parentWidget() ? window->parentWidget()->window() : nullptr);
  }
  bringToFront(window);
}

}  // namespace velkor
