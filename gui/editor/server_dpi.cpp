#include "gui/editor/server_dpi.h"

#ifdef VELKOR_HAVE_XCB
#include <xcb/xcb.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#endif

namespace velkor {

#ifdef VELKOR_HAVE_XCB
namespace {

bool isSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

// True when the RESOURCE_MANAGER property of the root window names Xft.dpi.
bool desktopSetsDpi(xcb_connection_t* connection, xcb_window_t root) {
  const xcb_get_property_cookie_t cookie =
      xcb_get_property(connection, 0, root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 0, 1 << 16);
  xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
  if (!reply) return false;
  const std::string_view resources(static_cast<const char*>(xcb_get_property_value(reply)),
                                   static_cast<std::size_t>(xcb_get_property_value_length(reply)));
  bool found = false;
  for (std::size_t at = 0; at < resources.size() && !found;) {
    const std::size_t end = std::min(resources.find('\n', at), resources.size());
    found = resources.substr(at, end - at).starts_with("Xft.dpi:");
    at = end + 1;
  }
  std::free(reply);
  return found;
}

class XcbConnection : public ServerConnection {
 public:
  explicit XcbConnection(xcb_connection_t* connection) : connection_(connection) {}
  ~XcbConnection() override { xcb_disconnect(connection_); }
  xcb_connection_t* get() const { return connection_; }

 private:
  xcb_connection_t* connection_;
};

}  // namespace

std::unique_ptr<ServerConnection> followServerDpi() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (!isSet("DISPLAY") || (platform && *platform && std::strncmp(platform, "xcb", 3) != 0)) return nullptr;
  for (const char* own : {"QT_FONT_DPI", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_ENABLE_HIGHDPI_SCALING"})
    if (isSet(own)) return nullptr;
  int screenNumber = 0;
  auto connection = std::make_unique<XcbConnection>(xcb_connect(nullptr, &screenNumber));
  if (xcb_connection_has_error(connection->get()) == 0) {
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection->get()));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
    const xcb_screen_t* screen = screens.rem > 0 ? screens.data : nullptr;
    if (screen && screen->height_in_millimeters > 0 && !desktopSetsDpi(connection->get(), screen->root)) {
      const long dpi = std::lround(screen->height_in_pixels * 25.4 / screen->height_in_millimeters);
      if (dpi >= 120 && dpi <= 480) setenv("QT_FONT_DPI", std::to_string(dpi).c_str(), 1);
    }
  }
  return connection;
}

#else

std::unique_ptr<ServerConnection> followServerDpi() { return nullptr; }

#endif

}  // namespace velkor
