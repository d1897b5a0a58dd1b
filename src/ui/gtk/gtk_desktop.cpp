// GTK 3 backend: what it asks of the desktop: the window manager of the X display to bring
// another copy forward, and the theme whether it wants high contrast.
#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "ui/gtk/gtk_native.h"

// After our headers: Xlib's macros (None, Status, True...) would clash with the framework's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gdk/gdkx.h>

namespace ui::gtk {
namespace {

// A property of `window` that lists windows (WM_CLIENT_LEADER, _NET_CLIENT_LIST_STACKING);
// empty when it has none.
std::vector<::Window> WindowsIn(Display* display, ::Window window, const char* property) {
  std::vector<::Window> windows;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, XInternAtom(display, property, False), 0, 65536, False,
                         XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
      data != nullptr && format == 32) {
    const auto* items = reinterpret_cast<const unsigned long*>(data);  // 32-bit items as longs
    windows.assign(items, items + count);
  }
  if (data != nullptr) XFree(data);
  return windows;
}

// The client leader of the program that made the never-shown window of that class: a window that
// is never mapped stays a child of the root, where the window manager does not reparent it.
::Window LeaderOfClass(Display* display, const std::string& className) {
  ::Window root = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  ::Window leader = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return 0;
  for (unsigned int i = 0; i < count && leader == 0; ++i) {
    XClassHint hint{};
    if (!XGetClassHint(display, children[i], &hint)) continue;
    if (hint.res_class != nullptr && className == hint.res_class) {
      const std::vector<::Window> l = WindowsIn(display, children[i], "WM_CLIENT_LEADER");
      if (!l.empty()) leader = l.front();
    }
    XFree(hint.res_name);
    XFree(hint.res_class);
  }
  if (children != nullptr) XFree(children);
  return leader;
}

}  // namespace

// The window manager is asked to activate the other copy's topmost window (its wizard, or the
// dialog or message box over it): it restores a minimised window and raises it, and it does so
// even while that copy is busy in a request and handles no events.
void GtkBackend::BringPresenceOwnerForward(const std::string& className) {
  GdkDisplay* gdkDisplay = gdk_display_get_default();
  if (gdkDisplay == nullptr || !GDK_IS_X11_DISPLAY(gdkDisplay)) return;
  Display* display = gdk_x11_display_get_xdisplay(gdkDisplay);
  const ::Window leader = LeaderOfClass(display, Utf8(className));
  if (leader == 0) return;
  const ::Window root = DefaultRootWindow(display);
  const std::vector<::Window> stacking = WindowsIn(display, root, "_NET_CLIENT_LIST_STACKING");
  for (auto it = stacking.rbegin(); it != stacking.rend(); ++it) {  // top first
    const std::vector<::Window> l = WindowsIn(display, *it, "WM_CLIENT_LEADER");
    if (l.empty() || l.front() != leader) continue;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = *it;
    event.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;  // asked for by the user, as a taskbar asks
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XSync(display, False);
    return;
  }
}

// High contrast is a theme of that name (HighContrast, HighContrastInverse): the one GTK_THEME
// names ("name" or "name:variant"), which GTK puts before the desktop's setting. Its colours are
// the theme's for text and the ground under it.
std::optional<HighContrast> GtkBackend::HighContrastColours() {
  std::string theme;
  if (const char* forced = g_getenv("GTK_THEME"); forced != nullptr && *forced != '\0') {
    theme = std::string(forced).substr(0, std::string(forced).find(':'));
  } else if (GtkSettings* settings = gtk_settings_get_default()) {
    gchar* name = nullptr;
    g_object_get(settings, "gtk-theme-name", &name, nullptr);
    if (name != nullptr) theme = name;
    g_free(name);
  }
  if (theme.find("HighContrast") == std::string::npos) return std::nullopt;
  GdkRGBA text{0, 0, 0, 1}, ground{1, 1, 1, 1};
  GtkStyleContext* style = gtk_style_context_new();
  gtk_style_context_lookup_color(style, "theme_text_color", &text);
  gtk_style_context_lookup_color(style, "theme_base_color", &ground);
  g_object_unref(style);
  auto colour = [](const GdkRGBA& c) {
    auto byte = [](double v) {
      return static_cast<BYTE>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    };
    return RGB(byte(c.red), byte(c.green), byte(c.blue));
  };
  return HighContrast{colour(text), colour(ground)};
}

}  // namespace ui::gtk
