// On X11, the DPI of the display when the desktop publishes none.
//
// Desktops tell programs their DPI through the X resource Xft.dpi, which Qt
// follows. Where no Xft.dpi is set (a bare X server, a minimal window
// manager), Qt 6 assumes 96 dpi, while Xft itself, and so most other
// programs, take the server's own DPI from the screen's size in millimetres.
// The editor does as Xft does, from 120 dpi up, so that a high-DPI screen
// gets windows to match; ordinary screens stay at Qt's 96.
#pragma once

#include <memory>

namespace velkor {

// The connection followServerDpi looked through. Keep it until the
// application object has its own: an X server that its last client leaves
// resets itself, which the application would then wait for (a bare X server
// such as Xvfb has no other client).
class ServerConnection {
 public:
  virtual ~ServerConnection() = default;
};

// Before the application object exists: sets QT_FONT_DPI to the X server's
// DPI when that is what Xft would use. Does nothing off X11, when the user
// set Qt's own DPI or scale variables, or when the desktop sets Xft.dpi.
std::unique_ptr<ServerConnection> followServerDpi();

}  // namespace velkor
