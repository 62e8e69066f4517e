// The main window's caption: the program's name, the file shown, and a "*"
// while there are unsaved changes ("VELKOR - atelier.prg*", "VELKOR*").
#pragma once

#include <QString>

#include "document/edit_history.h"
#include "gui/editor/recent_files.h"

namespace velkor {

inline QString windowCaption(const ProgramOrigin& origin, bool modified) {
  QString caption = QStringLiteral("VELKOR");
  switch (origin.kind) {
    case ProgramOrigin::Kind::None: break;
    case ProgramOrigin::Kind::File: caption += QStringLiteral(" - ") + toQString(origin.file.filename()); break;
    case ProgramOrigin::Kind::Board: caption += QStringLiteral(" - carte"); break;
  }
  if (modified) caption += QLatin1Char('*');
  return caption;
}

}  // namespace velkor
