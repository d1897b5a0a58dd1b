// The private display and GTK backend for the GUI tests, and their helpers.
#include "gui_environment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>

#include "platform/codepage.h"
#include "support/xvfb_fixture.h"
#include "ui/gtk/gtk_backend.h"

namespace gui {
namespace {

// Only a safety net against a hanging test; every wait ends as soon as its condition holds.
constexpr guint kWaitLimitMs = 20000;

class GuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    display_ = std::make_unique<test::XvfbDisplay>(/*windowManager=*/true);
    if (!display_->ok()) {
      why_ = display_->error();
      return;
    }
    int argc = 1;
    static char name[] = "gui_tests";
    static char* args[] = {name, nullptr};
    char** argv = args;
    backend_ = ui::CreateGtkBackend(&argc, &argv);
    if (!backend_) {
      why_ = "GTK could not open the display " + display_->display();
      return;
    }
    ui::SetBackend(backend_.get());
    // A blinking caret would make the screenshots differ from one moment to the next.
    g_object_set(gtk_settings_get_default(), "gtk-cursor-blink", FALSE, nullptr);
  }
  // The backend goes first: it still talks to the display while it closes its windows.
  void TearDown() override {
    ui::SetBackend(nullptr);
    backend_.reset();
    if (GdkDisplay* d = gdk_display_get_default()) gdk_display_flush(d);
    display_.reset();
  }
  std::unique_ptr<test::XvfbDisplay> display_;
  std::unique_ptr<ui::Backend> backend_;
  std::string why_ = "the display has not been started";
};

GuiEnvironment* const g_environment =
    static_cast<GuiEnvironment*>(::testing::AddGlobalTestEnvironment(new GuiEnvironment));

}  // namespace

ui::Backend* Backend() { return g_environment->backend_.get(); }
std::string Unavailable() { return g_environment->why_; }

bool WaitUntil(const std::function<bool()>& done) {
  bool expired = false;
  const guint limit = g_timeout_add(
      kWaitLimitMs,
      [](gpointer data) -> gboolean {
        *static_cast<bool*>(data) = true;
        return G_SOURCE_REMOVE;
      },
      &expired);
  while (!done() && !expired) g_main_context_iteration(nullptr, TRUE);
  if (!expired) g_source_remove(limit);
  return done();
}

bool WaitForDrawn(GtkWidget* toplevel) {
  if (!WaitUntil([&] { return gtk_widget_get_mapped(toplevel); })) return false;
  bool drawn = false;
  const gulong handler = g_signal_connect_after(
      toplevel, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t*, gpointer data) -> gboolean {
        *static_cast<bool*>(data) = true;
        return FALSE;
      }),
      &drawn);
  gtk_widget_queue_draw(toplevel);
  const bool ok = WaitUntil([&] { return drawn; });
  g_signal_handler_disconnect(toplevel, handler);
  // The frame reaches the server when the paint ends; make sure it has been processed.
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
  gdk_display_sync(gtk_widget_get_display(toplevel));
  return ok;
}

bool SaveScreenshot(GtkWidget* toplevel, const std::string& name) {
  GdkWindow* window = gtk_widget_get_window(toplevel);
  if (!window) return false;
  GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(window, 0, 0, gdk_window_get_width(window),
                                                 gdk_window_get_height(window));
  if (!pixbuf) return false;
  const std::filesystem::path dir =
      std::filesystem::path(SIGNUP_BIN_DIR).parent_path() / "test-screenshots";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  const std::string file = (dir / (name + ".png")).string();
  const bool ok = gdk_pixbuf_save(pixbuf, file.c_str(), "png", nullptr, nullptr);
  g_object_unref(pixbuf);
  return ok;
}

long PixelAt(GtkWidget* toplevel, int x, int y) {
  GdkWindow* window = gtk_widget_get_window(toplevel);
  if (!window) return -1;
  GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(window, x, y, 1, 1);
  if (!pixbuf) return -1;
  const guchar* p = gdk_pixbuf_get_pixels(pixbuf);
  const long rgb = (long{p[0]} << 16) | (long{p[1]} << 8) | p[2];
  g_object_unref(pixbuf);
  return rgb;
}

void PressKey(GtkWidget* toplevel, guint keyval, GdkModifierType modifiers) {
  // A person's key comes after the window has caught up with what it was told (the mnemonics of
  // new captions take effect when GTK is idle).
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
  GdkWindow* window = gtk_widget_get_window(toplevel);
  GdkDisplay* display = gtk_widget_get_display(toplevel);
  guint16 keycode = 0;
  GdkKeymapKey* keys = nullptr;
  gint count = 0;
  if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys,
                                        &count) &&
      count > 0)
    keycode = static_cast<guint16>(keys[0].keycode);
  g_free(keys);
  for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
    GdkEvent* key = gdk_event_new(type);
    key->key.window = GDK_WINDOW(g_object_ref(window));
    key->key.keyval = keyval;
    key->key.state = modifiers;
    key->key.hardware_keycode = keycode;
    key->key.time = GDK_CURRENT_TIME;
    gdk_event_set_device(key, gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
    gdk_event_put(key);
    gdk_event_free(key);
  }
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
}

ui::Control* FocusedAmong(GtkWidget* toplevel, const std::vector<ui::Control*>& controls) {
  GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(toplevel));
  if (focus == nullptr) return nullptr;
  for (ui::Control* c : controls) {
    GtkWidget* w = ui::gtk::WidgetOf(*c);
    if (w != nullptr && (focus == w || gtk_widget_is_ancestor(focus, w))) return c;
  }
  return nullptr;
}

std::vector<int> FocusTrail(GtkWidget* toplevel, const std::vector<ui::Control*>& controls,
                            guint keyval, GdkModifierType modifiers, size_t times) {
  std::vector<int> trail;
  for (size_t i = 0; i < times; ++i) {
    PressKey(toplevel, keyval, modifiers);
    const ui::Control* c = FocusedAmong(toplevel, controls);
    trail.push_back(c != nullptr ? c->GetDlgCtrlID() : 0);
  }
  return trail;
}

void ExpectTabCycle(GtkWidget* toplevel, const std::vector<ui::Control*>& controls,
                    const std::vector<int>& order) {
  std::vector<int> forward(order.begin() + 1, order.end());
  forward.push_back(order.front());
  EXPECT_EQ(FocusTrail(toplevel, controls, GDK_KEY_Tab, GdkModifierType(0), order.size()), forward)
      << "Tab";
  EXPECT_EQ(FocusTrail(toplevel, controls, GDK_KEY_ISO_Left_Tab, GDK_SHIFT_MASK, order.size()),
            std::vector<int>(order.rbegin(), order.rend()))
      << "Shift+Tab";
}

std::vector<GdkWindow*> WindowsInside(GdkWindow* window) {
  std::vector<GdkWindow*> all{window};
  for (size_t i = 0; i < all.size(); ++i)
    for (GList* child = gdk_window_peek_children(all[i]); child; child = child->next)
      all.push_back(GDK_WINDOW(child->data));
  return all;
}

GtkWidget* FindMessageBox(const std::string& titleUtf8) {
  GtkWidget* found = nullptr;
  GList* all = gtk_window_list_toplevels();
  for (GList* it = all; it; it = it->next) {
    GtkWidget* w = GTK_WIDGET(it->data);
    const char* title = gtk_window_get_title(GTK_WINDOW(w));
    if (GTK_IS_DIALOG(w) && gtk_widget_get_visible(w) && title && titleUtf8 == title) found = w;
  }
  g_list_free(all);
  return found;
}

ui::Rect AllocationIn(GtkWidget* widget, GtkWidget* container) {
  GtkAllocation a;
  gtk_widget_get_allocation(widget, &a);
  int x = 0, y = 0;
  gtk_widget_translate_coordinates(widget, container, 0, 0, &x, &y);
  return {x, y, x + a.width, y + a.height};
}

std::string Describe(const ui::Rect& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

void ExpectControlsAt(const ui::Dialog& dialog, const std::vector<Placement>& table) {
  const std::vector<ui::Control*> controls = dialog.Controls();
  std::map<int, size_t> seen;  // per id, how many table rows named it so far
  for (const Placement& p : table) {
    // Statics share one id: the n-th row with an id is the n-th control with it.
    const ui::Control* c = nullptr;
    for (size_t skip = seen[p.id]++; const ui::Control* candidate : controls) {
      if (candidate->GetDlgCtrlID() != p.id) continue;
      if (skip-- == 0) {
        c = candidate;
        break;
      }
    }
    GtkWidget* w = c ? ui::gtk::WidgetOf(*c) : nullptr;
    if (w == nullptr) {
      ADD_FAILURE() << "control " << p.id << " has no widget";
      continue;
    }
    EXPECT_TRUE(gtk_widget_get_visible(w)) << "control " << p.id << " is shown";
    const ui::Rect want{p.x, p.y, p.x + p.w, p.y + p.h};
    const ui::Rect got = AllocationIn(w, ui::gtk::ClientOf(dialog));
    if (c->IsCombo()) {
      EXPECT_EQ(got.left, want.left) << "combo " << p.id;
      EXPECT_EQ(got.top, want.top) << "combo " << p.id;
      EXPECT_EQ(got.Width(), want.Width()) << "combo " << p.id;
      EXPECT_LE(got.Height(), want.Height()) << "combo " << p.id;
    } else {
      EXPECT_EQ(got, want) << "control " << p.id << " at " << Describe(got) << " instead of "
                           << Describe(want);
    }
  }
}

std::vector<Placement> TemplatePlacements(const ui::Dialog& dialog) {
  std::vector<Placement> table;
  for (const ui::Control* c : dialog.Controls()) {
    if (!c->IsWindowVisible()) continue;
    const ui::Rect r = c->GetWindowRect();
    table.push_back({c->GetDlgCtrlID(), r.left, r.top, r.Width(), r.Height()});
  }
  return table;
}

void ExpectWidgetsFollowTheModel(const ui::Dialog& dialog) {
  for (const ui::Control* c : dialog.Controls()) {
    GtkWidget* w = ui::gtk::WidgetOf(*c);
    if (w == nullptr) {
      ADD_FAILURE() << "control " << c->GetDlgCtrlID() << " has no widget";
      continue;
    }
    EXPECT_EQ(gtk_widget_get_visible(w) != FALSE, c->IsWindowVisible())
        << "control " << c->GetDlgCtrlID() << " visibility";
    EXPECT_EQ(gtk_widget_get_sensitive(w) != FALSE, c->IsWindowEnabled())
        << "control " << c->GetDlgCtrlID() << " enabled state";
  }
}

void ExpectAccessibleNames(const ui::Dialog& dialog) {
  for (const ui::Control* c : dialog.Controls()) {
    GtkWidget* w = ui::gtk::InputWidgetOf(*c);
    if (w == nullptr) {
      ADD_FAILURE() << "control " << c->GetDlgCtrlID() << " has no widget";
      continue;
    }
    AtkObject* accessible = gtk_widget_get_accessible(w);
    const char* name = accessible ? atk_object_get_name(accessible) : nullptr;
    const char* description = accessible ? atk_object_get_description(accessible) : nullptr;
    const std::string want = platform::AnsiToUtf8(c->AccessibleName());
    EXPECT_FALSE(want.empty()) << "control " << c->GetDlgCtrlID() << " of template "
                               << dialog.GetTemplateId() << " has a name";
    EXPECT_EQ(name ? name : "", want) << "control " << c->GetDlgCtrlID();
    EXPECT_EQ(description ? description : "", platform::AnsiToUtf8(c->AccessibleDescription()))
        << "control " << c->GetDlgCtrlID();
  }
}

}  // namespace gui
