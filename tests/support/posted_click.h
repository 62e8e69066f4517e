// A click as the window system delivers it: queued, handled by the event
// loop that is running, not by the caller.
#pragma once

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

namespace velkor::testing_support {

inline void postClick(QWidget* widget) {
  const QPointF at(6, widget->height() / 2);
  const QPointF global = widget->mapToGlobal(at);
  QCoreApplication::postEvent(widget, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                                      Qt::LeftButton, Qt::NoModifier));
  QCoreApplication::postEvent(widget, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                                      Qt::NoButton, Qt::NoModifier));
}

}  // namespace velkor::testing_support
