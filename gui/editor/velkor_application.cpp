#include "gui/editor/velkor_application.h"

#include "gui/editor/central_report.h"
#include "gui/editor/french_translation.h"

namespace velkor {

VelkorApplication::VelkorApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("VELKOR"));
  installFrenchTranslation(*this);
}

bool VelkorApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    reportFailure(std::current_exception(), dialogs_);
  }
  return false;
}

}  // namespace velkor
