// The application's central report of a failure nobody handled: its message
// in a message box (on stderr when there is no window yet), nothing for the
// silent abort. Events, the serial port's hand-over and the menu commands
// all end here.
#pragma once

#include <exception>

#include "image/user_dialogs.h"

namespace velkor {

void reportFailure(std::exception_ptr error, UserDialogs* dialogs);

}  // namespace velkor
