#include "gui/editor/central_report.h"

#include <cstdio>

#include "runtime/runtime.h"

namespace velkor {

void reportFailure(std::exception_ptr error, UserDialogs* dialogs) {
  auto report = [dialogs](const char* text) {
    if (dialogs) dialogs->reportError(text);
    else std::fprintf(stderr, "%s\n", text);
  };
  try {
    std::rethrow_exception(error);
  } catch (const EAbort&) {
    // The silent abort: the operation stops without a word.
  } catch (const std::exception& e) {
    report(e.what());
  } catch (...) {
    report("Erreur inattendue");
  }
}

}  // namespace velkor
