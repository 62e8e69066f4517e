// Windows open in the middle of the screen, halves truncated toward zero:
// the editor, its About box and help, and the simulation windows.
#pragma once

#include <QGuiApplication>
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

}  // namespace velkor
