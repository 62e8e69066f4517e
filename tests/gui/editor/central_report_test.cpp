// Failures that escape a handler reach the central error report; the silent
// abort does not.
#include <QEvent>
#include <cstdio>
#include <stdexcept>

#include "gui/editor/velkor_application.h"
#include "runtime/runtime.h"
#include "support/fake_dialogs.h"

namespace {

class Throwing : public QObject {
 public:
  bool silent = false;
  bool event(QEvent* e) override {
    if (e->type() != QEvent::User) return QObject::event(e);
    if (silent) throw velkor::EAbort();
    throw std::runtime_error("Erreur d'écriture");
  }
};

}  // namespace

int main(int argc, char** argv) {
  velkor::VelkorApplication app(argc, argv);
  velkor::testing_support::FakeDialogs dialogs;
  app.setErrorReport(&dialogs);
  Throwing target;
  QEvent e(QEvent::User);
  QCoreApplication::sendEvent(&target, &e);
  target.silent = true;
  QCoreApplication::sendEvent(&target, &e);
  const bool ok = dialogs.errors == 1 && dialogs.shown == std::vector<std::string>{"Erreur d'écriture"};
  std::printf("%d report(s): %s\n", dialogs.errors, ok ? "as expected" : "WRONG");
  return ok ? 0 : 1;
}
