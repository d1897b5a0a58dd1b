// GTK 3 backend of the framework: the backend object, the natives of the framework's windows,
// nested main loops for modal runs, pumping, GLib timers, posted work, the wait cursor and the
// presence window.
#include "ui/gtk/gtk_backend.h"

#include <gtk/gtk.h>

#include <atomic>
#include <thread>
#include <utility>

#include "ui/gtk/gtk_native.h"

namespace ui::gtk {

GtkBackend* g_backend = nullptr;

namespace {

// Look of every window of ours: the dialog font in place of the Windows one, and no theme
// minimum sizes, so that each control takes exactly the rectangle the program gives it. The
// marks of check boxes, radio buttons and combo boxes are drawn here in pixels instead of taken
// from the theme's SVG icons: the same look, without an SVG renderer loaded at start-up. Every
// focusable control shows a dotted focus ring, as Windows draws it; buttons keep no padding so
// that the longest caption the wizard gives its 75-pixel buttons fits at 9 points.
constexpr const char* kBaseCss = R"css(
* { font-family: "IPAPGothic", sans-serif; font-size: 9pt; }
.signup-window * { min-width: 0; min-height: 0; outline: 1px dashed #000000; }
.signup-window button { padding: 0; outline-offset: -3px; }
.signup-window entry { padding: 0 3px; }
.signup-window combobox button { padding: 0 2px; }
.signup-window combobox entry { padding: 0 3px; }
.signup-window checkbutton, .signup-window radiobutton { padding: 0; outline-offset: 0; }
.signup-window check, .signup-window radio {
  min-width: 13px; min-height: 13px; margin: 0; -gtk-icon-source: none; }
.signup-window checkbutton > label, .signup-window radiobutton > label { margin: 0 0 0 3px; }
.signup-window check:checked, .signup-window radio:checked { background-repeat: no-repeat; }
.signup-window check:checked {
  background-image: image(white), image(white), image(white), image(white), image(white),
    image(white), image(white), image(white), image(white),
    linear-gradient(to bottom, #4b92e7 20%, #3584e4 90%);
  background-size: 1px 1px, 2px 1px, 1px 1px, 3px 1px, 2px 1px, 3px 1px, 5px 1px, 3px 1px,
    1px 1px, auto;
  background-position: 8px 2px, 7px 3px, 2px 4px, 6px 4px, 2px 5px, 5px 5px, 2px 6px, 3px 7px,
    4px 8px, 0 0; }
.signup-window check:indeterminate {
  background-image: image(white), linear-gradient(to bottom, #4b92e7 20%, #3584e4 90%);
  background-size: 7px 2px, auto; background-position: center, 0 0; background-repeat: no-repeat; }
.signup-window radio:checked {
  background-image: image(white), image(white), image(white),
    linear-gradient(to bottom, #4b92e7 20%, #3584e4 90%);
  background-size: 3px 1px, 5px 3px, 3px 1px, auto;
  background-position: 4px 3px, 3px 4px, 4px 7px, 0 0; }
.signup-window check:checked:disabled, .signup-window radio:checked:disabled { opacity: 0.7; }
.signup-window combobox arrow {
  -gtk-icon-source: none; min-width: 7px; min-height: 4px;
  background-image: image(#2e3436), image(#2e3436), image(#2e3436), image(#2e3436);
  background-size: 7px 1px, 5px 1px, 3px 1px, 1px 1px;
  background-position: 0 calc(50% - 2px), 1px calc(50% - 1px), 2px 50%, 3px calc(50% + 1px);
  background-repeat: no-repeat; }
.signup-window combobox:disabled arrow {
  background-image: image(#8b8e8f), image(#8b8e8f), image(#8b8e8f), image(#8b8e8f); }
.signup-window scrollbar slider { min-width: 6px; min-height: 16px; }
.signup-window frame > label { padding: 0 2px; }
.signup-window label.signup-text, .signup-window checkbutton, .signup-window radiobutton,
.signup-window frame { background: transparent; }
)css";

gboolean OnTimer(gpointer data) {
  auto* t = static_cast<std::pair<Window*, UINT>*>(data);
  // While a request blocks the program, its timers wait for the next period.
  if (g_backend && (g_backend->Blocking() || g_backend->AwaitingFirstPaint(*t->first)))
    return G_SOURCE_CONTINUE;
  t->first->OnTimer(t->second);
  return G_SOURCE_CONTINUE;
}

void FreeTimer(gpointer data) { delete static_cast<std::pair<Window*, UINT>*>(data); }

gboolean OnPosted(gpointer) {
  if (g_backend) g_backend->PostedDispatch();
  return G_SOURCE_CONTINUE;
}

// Says once, on the debug log domain "signup" (G_MESSAGES_DEBUG=signup), when the first window of
// the run has painted its first frame: what start-up measurements wait for.
void ReportFirstFrame(GtkWidget* toplevel) {
  static bool reported = false;
  GdkFrameClock* clock = gtk_widget_get_frame_clock(toplevel);
  if (reported || clock == nullptr) return;
  reported = true;
  static int tag = 0;
  g_signal_connect(clock, "after-paint", G_CALLBACK(+[](GdkFrameClock* c, gpointer data) {
                     g_log("signup", G_LOG_LEVEL_DEBUG, "first frame painted");
                     g_signal_handlers_disconnect_by_data(c, data);
                   }),
                   &tag);
}

// The control of a dialog, or of a sheet's active page, that the model gave the focus to.
Control* FocusOwner(const Window& window) {
  if (const auto* sheet = dynamic_cast<const PropertySheet*>(&window)) {
    const PropertyPage* page = sheet->GetActivePage();
    return page != nullptr ? page->GetFocusControl() : nullptr;
  }
  const auto* dialog = dynamic_cast<const Dialog*>(&window);
  return dialog != nullptr ? dialog->GetFocusControl() : nullptr;
}

// The cursor a window had before the wait cursor covered it (null: its parent's).
struct CoveredCursor {
  GdkCursor* had;
};
constexpr const char* kCoveredCursor = "signup-covered-cursor";

void ForgetCursor(gpointer data) {
  auto* covered = static_cast<CoveredCursor*>(data);
  if (covered->had != nullptr) g_object_unref(covered->had);
  delete covered;
}

}  // namespace

// Text fields put an I-beam on windows of their own, which would show over a wait cursor set on
// the top-level window alone: the wait cursor covers every window inside, as it covers every
// window of the program on Windows, and each gets its own cursor back afterwards.
void CoverWithCursor(GdkWindow* window, GdkCursor* wait) {
  GObject* object = G_OBJECT(window);
  auto* covered = static_cast<CoveredCursor*>(g_object_get_data(object, kCoveredCursor));
  if (wait != nullptr) {
    if (covered == nullptr) {
      GdkCursor* had = gdk_window_get_cursor(window);
      covered = new CoveredCursor{had != nullptr ? GDK_CURSOR(g_object_ref(had)) : nullptr};
      g_object_set_data_full(object, kCoveredCursor, covered, ForgetCursor);
    }
    if (gdk_window_get_cursor(window) != wait) gdk_window_set_cursor(window, wait);
  } else if (covered != nullptr) {
    gdk_window_set_cursor(window, covered->had);
    g_object_set_data(object, kCoveredCursor, nullptr);
  }
  for (GList* child = gdk_window_peek_children(window); child; child = child->next)
    CoverWithCursor(GDK_WINDOW(child->data), wait);
}

// ---- Backend ----------------------------------------------------------------------------------

GtkBackend::GtkBackend() {
  g_backend = this;
  baseCss_ = gtk_css_provider_new();
  gtk_css_provider_load_from_data(baseCss_, kBaseCss, -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(baseCss_),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  colourCss_ = gtk_css_provider_new();
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(),
                                            GTK_STYLE_PROVIDER(colourCss_),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  gdk_event_handler_set(EventHook, nullptr, nullptr);
}

GtkBackend::~GtkBackend() {
  gdk_event_handler_set([](GdkEvent* event, gpointer) { gtk_main_do_event(event); }, nullptr,
                        nullptr);
  std::vector<Native*> roots;
  for (auto& [serial, n] : natives_)
    if (!n->parent) roots.push_back(n.get());
  for (Native* n : roots) Drop(n);
  for (auto& [key, source] : timers_) g_source_remove(source);
  timers_.clear();
  if (postSource_) g_source_remove(postSource_);
  for (auto& [name, w] : presence_) gtk_widget_destroy(w);
  if (waitCursor_) g_object_unref(waitCursor_);
  for (auto& [id, s] : surfaces_) cairo_surface_destroy(s);
  for (auto& [id, list] : icons_) g_list_free_full(list, g_object_unref);
  gtk_style_context_remove_provider_for_screen(gdk_screen_get_default(),
                                               GTK_STYLE_PROVIDER(baseCss_));
  gtk_style_context_remove_provider_for_screen(gdk_screen_get_default(),
                                               GTK_STYLE_PROVIDER(colourCss_));
  g_object_unref(baseCss_);
  g_object_unref(colourCss_);
  g_backend = nullptr;
}

Native* GtkBackend::NewNative(Window& w, Kind kind, Native* parent) {
  auto owned = std::make_unique<Native>();
  Native* n = owned.get();
  n->serial = nextSerial_++;
  n->kind = kind;
  n->window = &w;
  n->parent = parent;
  if (parent) parent->children.push_back(n);
  natives_[n->serial] = std::move(owned);
  w.native = n;
  return n;
}

Native* GtkBackend::Ensure(Window& w) {
  if (Native* n = NativeOf(w)) return n;
  if (auto* c = dynamic_cast<Control*>(&w)) return MakeControl(*c);
  if (auto* page = dynamic_cast<PropertyPage*>(&w)) return MakePage(*page);
  if (dynamic_cast<PropertySheet*>(&w)) return MakeTopLevel(w, Kind::Sheet);
  if (dynamic_cast<Dialog*>(&w)) return MakeTopLevel(w, Kind::Dialog);
  return nullptr;
}

void GtkBackend::CreateWindow(Window& window) {
  if (Native* n = NativeOf(window)) {
    Applier a(this);
    MakeChildren(n);
    return;
  }
  Applier a(this);
  Ensure(window);
}

// Marks a native and its children dead and unhooks them from their windows; the widgets go
// with their top-most container.
void GtkBackend::ForgetTree(Native* n) {
  n->dead = true;
  for (Native* child : n->children) ForgetTree(child);
  KillTimersOf(n->window);
  if (n->window->native == n) n->window->native = nullptr;
  for (GMainLoop* loop : n->loops) g_main_loop_quit(loop);
  if (n->buffer) g_signal_handlers_disconnect_by_data(n->buffer, n);
}

void GtkBackend::Drop(Native* n) {
  Applier a(this);
  ForgetTree(n);
  if (n->parent) std::erase(n->parent->children, n);
  if (n->kind == Kind::Sheet || n->kind == Kind::Dialog) PopModal(n->outer);
  gtk_widget_destroy(n->outer);
  std::vector<Native*> all{n};
  for (size_t i = 0; i < all.size(); ++i)
    for (Native* child : all[i]->children) all.push_back(child);
  for (Native* dead : all) {
    if (dead->radioOff) {
      gtk_widget_destroy(dead->radioOff);
      g_object_unref(dead->radioOff);
    }
    if (dead->css) g_object_unref(dead->css);
  }
  for (Native* dead : all) natives_.erase(dead->serial);
}

void GtkBackend::DestroyWindow(Window& window) {
  if (Native* n = NativeOf(window)) {
    Drop(n);
  } else {
    KillTimersOf(&window);
  }
}

// ---- Modal runs, pumping, time ---------------------------------------------------------------

void GtkBackend::PopModal(GtkWidget* w) { std::erase(modal_, w); }

GdkCursor* GtkBackend::WaitCursorImage() {
  // Loaded from the cursor theme when first shown, not when a step starts before any window is
  // on the screen (as the start page's activation does).
  if (!waitCursor_) {
    if (GdkDisplay* display = gdk_display_get_default())
      waitCursor_ = gdk_cursor_new_from_name(display, "wait");
  }
  return waitCursor_;
}

void GtkBackend::ApplyCursor(Native* n) {
  GdkWindow* gw = gtk_widget_get_window(n->outer);
  if (gw == nullptr) return;
  CoverWithCursor(gw, waiting_ ? WaitCursorImage() : nullptr);
}

void GtkBackend::CursorReset(GtkWidget* widget) {
  if (!waiting_) return;
  GtkWidget* top = gtk_widget_get_toplevel(widget);
  if (GdkWindow* gw = top ? gtk_widget_get_window(top) : nullptr)
    CoverWithCursor(gw, WaitCursorImage());
}

void GtkBackend::RunModal(Window& window) {
  Native* n = NativeOf(window);
  if (!n) {
    Applier a(this);
    n = Ensure(window);
  }
  if (!n || (n->kind != Kind::Sheet && n->kind != Kind::Dialog) || n->ended) return;
  if (auto* d = dynamic_cast<Dialog*>(&window); d && d->IsModalEnded()) return;
  if (auto* s = dynamic_cast<PropertySheet*>(&window); s && s->IsModalEnded()) return;
  {
    Applier a(this);
    MakeChildren(n);
  }
  // As when a dialog's initialisation leaves the focus to the system, the first tab stop gets it;
  // but not a push button, which would then take Enter from the default button (the progress
  // dialog's first one is Cancel while Redial is disabled).
  if (FocusOwner(window) == nullptr) {
    Control* first = NextTabStop(window, nullptr, false);
    if (first != nullptr && first->kind() != res::ControlKind::PushButton &&
        first->kind() != res::ControlKind::DefPushButton)
      first->UserFocus();
  }
  GtkWindow* win = GTK_WINDOW(n->outer);
  if (GtkWidget* owner = TopModal(); owner && owner != n->outer)
    gtk_window_set_transient_for(win, GTK_WINDOW(owner));
  gtk_window_set_modal(win, TRUE);
  n->shown = true;
  if (window.IsWindowVisible() && !n->awaitingPaint) {
    n->awaitingPaint = true;
    n->shownAt = g_get_monotonic_time();
    n->paintHandler = g_signal_connect_after(
        n->outer, "draw", G_CALLBACK(+[](GtkWidget* w, cairo_t*, gpointer d) {
          if (Native* painted = Live(d)) {
            painted->awaitingPaint = false;
            g_signal_handler_disconnect(w, std::exchange(painted->paintHandler, 0));
          }
          return FALSE;
        }),
        n);
  }
  gtk_widget_set_visible(n->outer, window.IsWindowVisible());
  gtk_window_present(win);
  ReportFirstFrame(n->outer);
  ApplyCursor(n);
  modal_.push_back(n->outer);
  GtkWidget* self = n->outer;
  const uint64_t serial = n->serial;
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  n->loops.push_back(loop);
  g_main_loop_run(loop);
  if (Native* again = Find(serial)) std::erase(again->loops, loop);
  PopModal(self);
  g_main_loop_unref(loop);
}

bool GtkBackend::AwaitingFirstPaint(const Window& w) const {
  constexpr gint64 kLongestWaitUs = 2 * G_USEC_PER_SEC;
  const Native* n = NativeOf(w);
  return n != nullptr && n->awaitingPaint && g_get_monotonic_time() - n->shownAt < kLongestWaitUs;
}

void GtkBackend::EndModal(Window& window) {
  Native* n = NativeOf(window);
  if (!n) return;
  n->ended = true;
  for (GMainLoop* loop : n->loops) g_main_loop_quit(loop);
  if (n->kind == Kind::Sheet || n->kind == Kind::Dialog) gtk_widget_hide(n->outer);
}

void GtkBackend::PumpPending() {
  // Bounded so that a source that is always ready cannot hold the caller forever.
  for (int i = 0; i < 100000 && g_main_context_iteration(nullptr, FALSE); ++i) {
  }
}

void GtkBackend::PumpFor(DWORD ms) {
  bool over = false;
  GSource* deadline = g_timeout_source_new(ms);
  g_source_set_callback(
      deadline,
      [](gpointer data) -> gboolean {
        *static_cast<bool*>(data) = true;
        return G_SOURCE_REMOVE;
      },
      &over, nullptr);
  g_source_attach(deadline, nullptr);
  while (!over) g_main_context_iteration(nullptr, TRUE);
  g_source_destroy(deadline);
  g_source_unref(deadline);
}

DWORD GtkBackend::TickCount() { return static_cast<DWORD>(g_get_monotonic_time() / 1000); }

void GtkBackend::Post(std::function<void()> fn) {
  posted_.push_back(std::move(fn));
  AttachPostSource();
}

void GtkBackend::AttachPostSource() {
  if (postSource_) return;
  GSource* source = g_idle_source_new();
  g_source_set_priority(source, G_PRIORITY_DEFAULT);
  g_source_set_can_recurse(source, TRUE);  // posted work runs in nested loops too
  g_source_set_callback(source, OnPosted, nullptr, nullptr);
  postSource_ = g_source_attach(source, nullptr);
  g_source_unref(source);
}

void GtkBackend::PostedDispatch() {
  // Nothing to run, or a request blocks the program: the source goes until there is work it may
  // run (an idle source left attached would keep the loop spinning).
  if (posted_.empty() || Blocking()) {
    if (postSource_) g_source_remove(postSource_);
    postSource_ = 0;
    return;
  }
  std::function<void()> fn = std::move(posted_.front());
  posted_.pop_front();
  fn();
}

// The work runs on a thread of its own; this thread goes on handling the display's events, so
// the windows repaint and answer the window manager's pings, while the event hook drops user
// input (gtk_input.cpp) and timers and posted work wait. The worker wakes the loop when done.
void GtkBackend::RunKeepingWindowsAlive(const std::function<void()>& work) {
  std::atomic<bool> done{false};
  GMainContext* context = g_main_context_default();
  ++blocking_;
  std::thread worker([&] {
    work();
    done = true;
    g_main_context_wakeup(context);
  });
  while (!done) g_main_context_iteration(context, TRUE);
  worker.join();
  --blocking_;
  if (!Blocking() && !posted_.empty()) AttachPostSource();
}

void GtkBackend::SetTimer(Window& window, UINT id, UINT ms) {
  KillTimer(window, id);
  GSource* source = g_timeout_source_new(ms);
  // Timers fire in nested loops too, as WM_TIMER does, and after input and painting, as WM_TIMER
  // comes last: a timer that waits for a first paint does not starve it.
  g_source_set_can_recurse(source, TRUE);
  g_source_set_priority(source, GDK_PRIORITY_REDRAW + 10);
  g_source_set_callback(source, OnTimer, new std::pair<Window*, UINT>(&window, id), FreeTimer);
  timers_[{&window, id}] = g_source_attach(source, nullptr);
  g_source_unref(source);
}

void GtkBackend::KillTimer(Window& window, UINT id) {
  auto it = timers_.find({&window, id});
  if (it == timers_.end()) return;
  g_source_remove(it->second);
  timers_.erase(it);
}

void GtkBackend::KillTimersOf(Window* w) {
  for (auto it = timers_.lower_bound({w, 0}); it != timers_.end() && it->first.first == w;) {
    g_source_remove(it->second);
    it = timers_.erase(it);
  }
}

void GtkBackend::SetWaitCursor(bool on) {
  waiting_ = on;
  for (auto& [serial, n] : natives_)
    if (n->kind == Kind::Sheet || n->kind == Kind::Dialog) ApplyCursor(n.get());
  // The program may block right after this (a POST under the wait cursor): show it now.
  if (GdkDisplay* display = gdk_display_get_default()) gdk_display_flush(display);
}

short GtkBackend::GetKeyState(int virtualKey) {
  GdkModifierType mask;
  if (virtualKey == VK_CONTROL) {
    mask = GDK_CONTROL_MASK;
  } else if (virtualKey == VK_SHIFT) {
    mask = GDK_SHIFT_MASK;
  } else {
    return 0;
  }
  GdkModifierType state;
  if (!gtk_get_current_event_state(&state)) {
    GdkDisplay* display = gdk_display_get_default();
    if (!display) return 0;
    state = static_cast<GdkModifierType>(
        gdk_keymap_get_modifier_state(gdk_keymap_get_for_display(display)));
  }
  return (state & mask) ? static_cast<short>(-32768) : 0;
}

// ---- Presence window -------------------------------------------------------------------------

bool GtkBackend::CreatePresenceWindow(const std::string& className) {
  if (presence_.count(className)) return true;
  GtkWidget* w = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  const std::string name = Utf8(className);
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_window_set_wmclass(GTK_WINDOW(w), name.c_str(), name.c_str());
  G_GNUC_END_IGNORE_DEPRECATIONS
  gtk_window_set_skip_taskbar_hint(GTK_WINDOW(w), TRUE);
  gtk_window_set_default_size(GTK_WINDOW(w), 1, 1);
  gtk_widget_realize(w);  // exists on the display, never shown
  presence_[className] = w;
  return true;
}

bool GtkBackend::HasPresenceWindow(const std::string& className) {
  return presence_.count(className) != 0;
}

// ---- Look-ups for the GUI tests ------------------------------------------------------------

GtkWidget* WidgetOf(const Window& window) {
  Native* n = Live(window.native);
  return n ? n->outer : nullptr;
}

GtkWidget* ClientOf(const Window& window) {
  Native* n = Live(window.native);
  return n ? n->client : nullptr;
}

GtkWidget* InputWidgetOf(const Window& window) {
  Native* n = Live(window.native);
  return n ? n->input : nullptr;
}

}  // namespace ui::gtk

namespace ui {

std::unique_ptr<Backend> CreateGtkBackend(int* argc, char*** argv) {
  if (gtk::g_backend) return nullptr;  // one display connection, one backend
  // The program formats numbers and converts text itself; GTK keeps the C locale.
  static bool localeKept = false;
  if (!localeKept) gtk_disable_setlocale();
  localeKept = true;
  if (!gtk_init_check(argc, argv)) return nullptr;
  return std::make_unique<gtk::GtkBackend>();
}

}  // namespace ui
