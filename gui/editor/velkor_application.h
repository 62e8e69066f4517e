// The application object: reports any failure that escapes a handler in a
// message box, instead of letting it end the program; the silent abort is
// dropped without a word.
#pragma once

#include <QApplication>

#include "image/user_dialogs.h"

namespace velkor {

class VelkorApplication : public QApplication {
 public:
  VelkorApplication(int& argc, char** argv);
  void setErrorReport(UserDialogs* dialogs) { dialogs_ = dialogs; }
  bool notify(QObject* receiver, QEvent* event) override;

 private:
  UserDialogs* dialogs_ = nullptr;
};

}  // namespace velkor
