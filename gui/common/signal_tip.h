// The tooltip that tells what an input or output is called where a window
// shows it by its id: "EL1 — Bouton marche", its comment on the next line.
#pragma once

#include <QString>
#include <QWidget>
#include <initializer_list>
#include <string>

#include "document/program_names.h"

namespace velkor {

// Empty without names, or when the signal has neither name nor comment;
// `shown` is what the window shows (the id when empty).
inline QString signalTip(const ProgramNames* names, int signal, const std::string& shown = {}) {
  if (!names) return {};
  return QString::fromStdString(names->tip(signal, shown.empty() ? signalId(signal) : shown));
}

// Each widget that shows `signal` gets its tooltip.
inline void setSignalTip(std::initializer_list<QWidget*> widgets, const ProgramNames* names, int signal) {
  const QString tip = signalTip(names, signal);
  for (QWidget* widget : widgets)
    if (widget) widget->setToolTip(tip);
}

}  // namespace velkor
