// What a window writes to a file the user names: scenarios, the chart's
// pictures, the trace, the program sheet's PDF.
#pragma once

#include <string_view>

#include "image/user_dialogs.h"

namespace velkor {

// Asks for a file under `caption` and `filter` (one filter, "Images PNG
// (*.png)"), gives a name typed without extension the filter's (asking
// before overwriting a file of that name), and writes
// `bytes` there through the safe save. A failure is told, with the beep
// ("Impossible d'enregistrer le fichier NAME : reason"). True once written.
bool writeChosenFile(UserDialogs& dialogs, std::string_view caption, std::string_view filter,
                     std::string_view bytes);

}  // namespace velkor
