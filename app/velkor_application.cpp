#include "app/velkor_application.h"

#include <cstdio>

#include "app/french_translation.h"
#include "runtime/runtime.h"

namespace velkor {

VelkorApplication::VelkorApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("VELKOR"));
  installFrenchTranslation(*this);
}

bool VelkorApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const EAbort&) {
    // The silent abort: the operation stops without a word.
  } catch (const std::exception& e) {
    if (dialogs_) dialogs_->reportError(e.what());
    else std::fprintf(stderr, "%s\n", e.what());
  } catch (...) {
    if (dialogs_) dialogs_->reportError("Erreur inattendue");
  }
  return false;
}

}  // namespace velkor
