// GTK 3 backend of the framework: the sheet, its pages and the modal dialogs as real windows with
// widgets at the program's pixel positions, the page pictures painted behind them, nested main
// loops for modal runs, GLib timers, and the framework's message boxes as GtkDialogs.
#include "ui/gtk/gtk_backend.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <deque>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "res/styles.h"
#include "ui/gtk/exact_fixed.h"
#include "ui/gtk/gtk_text.h"

namespace ui {
namespace {

using gtk::ExactFixedNew;

constexpr const char* kNativeKey = "signup-native";
// Closed height of a combo box: templates give the height with the list dropped down.
constexpr int kComboClosedHeight = 22;

// Look of every window of ours: the dialog font in place of the Windows one, and no theme
// minimum sizes, so that each control takes exactly the rectangle the program gives it.
constexpr const char* kBaseCss = R"css(
* { font-family: "IPAPGothic", sans-serif; font-size: 9pt; }
.signup-window * { min-width: 0; min-height: 0; }
.signup-window button { padding: 0 4px; }
.signup-window entry { padding: 0 3px; }
.signup-window combobox button { padding: 0 2px; }
.signup-window combobox entry { padding: 0 3px; }
.signup-window checkbutton, .signup-window radiobutton { padding: 0; }
.signup-window check, .signup-window radio { min-width: 13px; min-height: 13px; margin: 0; }
.signup-window checkbutton > label, .signup-window radiobutton > label { margin: 0 0 0 3px; }
.signup-window arrow { min-width: 12px; min-height: 12px; }
.signup-window scrollbar slider { min-width: 6px; min-height: 16px; }
.signup-window frame > label { padding: 0 2px; }
.signup-window label.signup-text, .signup-window checkbutton, .signup-window radiobutton,
.signup-window frame { background: transparent; }
)css";

enum class Kind { Sheet, Dialog, Page, Control };

std::string Utf8(const std::string& ansi) { return platform::AnsiToUtf8(ansi); }

std::string CssColor(COLORREF c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
  return buf;
}

// Native side of one framework window.
struct Native {
  uint64_t serial = 0;
  Kind kind = Kind::Control;
  Window* window = nullptr;
  PropertySheet* sheet = nullptr;  // Kind::Sheet, or the sheet of a page
  Dialog* dialog = nullptr;        // Kind::Dialog and Kind::Page
  Control* control = nullptr;      // Kind::Control
  res::ControlKind controlKind = res::ControlKind::Static;
  Native* parent = nullptr;
  std::vector<Native*> children;

  GtkWidget* outer = nullptr;     // GtkWindow of a top-level; the placed widget otherwise
  GtkWidget* client = nullptr;    // container of the children (sheet, dialog, page)
  GtkWidget* input = nullptr;     // entry, text view, combo, button, label
  GtkWidget* caption = nullptr;   // the mnemonic label inside a button
  GtkWidget* radioOff = nullptr;  // hidden member of a radio's group that holds the "off" state
  GtkTextBuffer* buffer = nullptr;
  GtkCssProvider* css = nullptr;

  std::vector<GMainLoop*> loops;
  bool ended = false;
  bool shown = false;
  bool dead = false;
};

// A message box being answered: its loop, its buttons and the answer.
struct Box {
  GMainLoop* loop;
  UINT type;
  int answer;
};

class GtkBackend;
GtkBackend* g_backend = nullptr;

class GtkBackend final : public Backend {
 public:
  GtkBackend();
  ~GtkBackend() override;

  void CreateWindow(Window& window) override;
  void DestroyWindow(Window& window) override;
  void Update(Window& window, Change what) override;
  void RunModal(Window& window) override;
  void EndModal(Window& window) override;
  int MessageBox(Window* owner, const std::string& text, const std::string& caption,
                 UINT type) override;
  void PumpPending() override;
  void PumpFor(DWORD ms) override;
  DWORD TickCount() override;
  void Post(std::function<void()> fn) override;
  void SetTimer(Window& window, UINT id, UINT ms) override;
  void KillTimer(Window& window, UINT id) override;
  void SetWaitCursor(bool on) override;
  short GetKeyState(int virtualKey) override;
  void DrawBitmap(Window& window, const Bitmap& bitmap, int x, int y, int width, int height, int sx,
                  int sy) override;
  bool CreatePresenceWindow(const std::string& className) override;
  bool HasPresenceWindow(const std::string& className) override;

  // ---- Called from the GTK signal handlers ----
  bool Applying() const { return applying_ > 0; }
  Native* Find(uint64_t serial) {
    auto it = natives_.find(serial);
    return it == natives_.end() ? nullptr : it->second.get();
  }
  void Paint(Native* n, cairo_t* cr);
  void Clicked(Native* n);
  void EditChanged(Native* n);
  void ComboChanged(Native* n);
  bool InsertAllowed(Native* n, const std::string& current, const char* text, int length,
                     std::string& fitted);
  void FocusMoved(GtkWidget* focus);
  bool KeyPress(Native* top, GdkEventKey* event);
  void CloseRequested(Native* top);
  bool PreTranslate(GdkEvent* event);
  void PostedDispatch();
  void MessageBoxAnswered(Box* box, int response);

 private:
  struct Applier {
    explicit Applier(GtkBackend* b) : b(b) { ++b->applying_; }
    ~Applier() { --b->applying_; }
    GtkBackend* b;
  };
  struct TimerData {
    Window* window;
    UINT id;
  };

  Native* NativeOf(const Window& w) const { return static_cast<Native*>(w.native); }
  Native* NewNative(Window& w, Kind kind, Native* parent);
  Native* MakeTopLevel(Window& w, Kind kind);
  Native* MakePage(PropertyPage& page);
  Native* MakeControl(Control& c);
  Native* Ensure(Window& w);
  void MakeChildren(Native* n);
  void Drop(Native* n);
  void ForgetTree(Native* n);

  void ApplyAll(Native* n);
  void ApplyText(Native* n);
  void ApplyCaption(Native* n);
  void ApplyVisible(Native* n);
  void ApplyGeometry(Native* n);
  void ApplyCheck(Native* n);
  void ApplyItems(Native* n);
  void ApplySelection(Native* n);
  void ApplyReadOnly(Native* n);
  void ApplyInputMethod(Native* n);
  void ApplyCaret(Native* n);
  void ApplyScroll(Native* n);
  void ApplyPages(Native* n);
  void ApplyColours();
  void ApplyCursor(Native* n);

  GtkWidget* TopModal() const { return modal_.empty() ? nullptr : modal_.back(); }
  void PopModal(GtkWidget* w);
  Native* NativeFromWidget(GtkWidget* w) const;
  cairo_surface_t* SurfaceFor(const Bitmap& bitmap, bool& owned);
  GdkPixbuf* IconFor(int id);
  void KillTimersOf(Window* w);

  int applying_ = 0;
  uint64_t nextSerial_ = 1;
  std::unordered_map<uint64_t, std::unique_ptr<Native>> natives_;
  std::vector<GtkWidget*> modal_;
  std::map<std::pair<Window*, UINT>, guint> timers_;
  std::deque<std::function<void()>> posted_;
  guint postSource_ = 0;
  bool wait_ = false;
  std::vector<std::pair<Window*, cairo_t*>> painting_;
  std::map<int, cairo_surface_t*> surfaces_;
  std::map<int, GdkPixbuf*> icons_;
  std::map<std::string, GtkWidget*> presence_;
  GtkCssProvider* baseCss_ = nullptr;
  GtkCssProvider* colourCss_ = nullptr;
  std::pair<COLORREF, COLORREF> colours_{0xFFFFFFFF, 0xFFFFFFFF};
};

// ---- Signal handlers (run on the user-interface thread by GTK) ---------------------------------

Native* Live(gpointer data) {
  auto* n = static_cast<Native*>(data);
  return (g_backend && n && !n->dead) ? n : nullptr;
}

void OnClicked(GtkButton*, gpointer data) {
  if (Native* n = Live(data)) g_backend->Clicked(n);
}

void OnEditChanged(gpointer, gpointer data) {
  if (Native* n = Live(data)) g_backend->EditChanged(n);
}

void OnComboChanged(GtkComboBox*, gpointer data) {
  if (Native* n = Live(data)) g_backend->ComboChanged(n);
}

// Refuses typing beyond the control's byte limit; a paste is cut to what still fits.
void OnEntryInsert(GtkEditable* editable, gchar* text, gint length, gint* position, gpointer data) {
  Native* n = Live(data);
  if (!n) return;
  std::string fitted;
  if (g_backend->InsertAllowed(n, gtk_entry_get_text(GTK_ENTRY(editable)), text, length, fitted))
    return;
  g_signal_stop_emission_by_name(editable, "insert-text");
  if (fitted.empty()) {
    gtk_widget_error_bell(GTK_WIDGET(editable));
    return;
  }
  g_signal_handlers_block_by_func(editable, reinterpret_cast<gpointer>(OnEntryInsert), data);
  gtk_editable_insert_text(editable, fitted.c_str(), static_cast<gint>(fitted.size()), position);
  g_signal_handlers_unblock_by_func(editable, reinterpret_cast<gpointer>(OnEntryInsert), data);
}

void OnBufferInsert(GtkTextBuffer* buffer, GtkTextIter* location, gchar* text, gint length,
                    gpointer data) {
  Native* n = Live(data);
  if (!n) return;
  GtkTextIter start, end;
  gtk_text_buffer_get_bounds(buffer, &start, &end);
  gchar* current = gtk_text_buffer_get_text(buffer, &start, &end, FALSE);
  std::string now = gtk::ToCrLf(current);
  g_free(current);
  std::string fitted;
  if (g_backend->InsertAllowed(n, now, text, length, fitted)) return;
  g_signal_stop_emission_by_name(buffer, "insert-text");
  if (fitted.empty()) return;
  g_signal_handlers_block_by_func(buffer, reinterpret_cast<gpointer>(OnBufferInsert), data);
  gtk_text_buffer_insert(buffer, location, fitted.c_str(), static_cast<gint>(fitted.size()));
  g_signal_handlers_unblock_by_func(buffer, reinterpret_cast<gpointer>(OnBufferInsert), data);
}

void OnSetFocus(GtkWindow*, GtkWidget* focus, gpointer) {
  if (g_backend && focus) g_backend->FocusMoved(focus);
}

gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
  Native* n = Live(data);
  return n ? g_backend->KeyPress(n, event) : FALSE;
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
  if (Native* n = Live(data)) g_backend->CloseRequested(n);
  return TRUE;  // the framework decides whether the window goes away
}

void OnPaint(GtkWidget*, cairo_t* cr, void* data) {
  if (Native* n = Live(data)) g_backend->Paint(n, cr);
}

gboolean OnTimer(gpointer data) {
  auto* t = static_cast<std::pair<Window*, UINT>*>(data);
  t->first->OnTimer(t->second);
  return G_SOURCE_CONTINUE;
}

void FreeTimer(gpointer data) { delete static_cast<std::pair<Window*, UINT>*>(data); }

gboolean OnPosted(gpointer) {
  if (g_backend) g_backend->PostedDispatch();
  return G_SOURCE_CONTINUE;
}

void EventHook(GdkEvent* event, gpointer) {
  if (g_backend && g_backend->PreTranslate(event)) return;
  gtk_main_do_event(event);
}

void OnBoxResponse(GtkDialog*, gint response, gpointer data) {
  if (g_backend) g_backend->MessageBoxAnswered(static_cast<Box*>(data), response);
}

// The close box answers like Escape; the box itself stays until MessageBox destroys it.
gboolean OnBoxDelete(GtkWidget* dialog, GdkEvent*, gpointer) {
  gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_DELETE_EVENT);
  return TRUE;
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
  for (auto& [id, s] : surfaces_) cairo_surface_destroy(s);
  for (auto& [id, p] : icons_) g_object_unref(p);
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

void GtkBackend::ApplyColours() {
  Application* app = Application::Current();
  COLORREF bk = app ? app->dialogBkColor : RGB(192, 192, 192);
  COLORREF text = app ? app->dialogTextColor : RGB(0, 0, 0);
  if (colours_ == std::make_pair(bk, text)) return;
  colours_ = {bk, text};
  std::string css = ".signup-window { background-color: " + CssColor(bk) + "; }\n" +
                    ".signup-window label.signup-text, .signup-window checkbutton > label,"
                    " .signup-window radiobutton > label, .signup-window frame > label { color: " +
                    CssColor(text) + "; }\n" +
                    ".signup-window label.signup-text:disabled, .signup-window checkbutton:disabled"
                    " > label, .signup-window radiobutton:disabled > label { color: mix(" +
                    CssColor(text) + ", " + CssColor(bk) + ", 0.5); }\n";
  gtk_css_provider_load_from_data(colourCss_, css.c_str(), -1, nullptr);
}

Native* GtkBackend::MakeTopLevel(Window& w, Kind kind) {
  ApplyColours();
  Native* n = NewNative(w, kind, nullptr);
  if (kind == Kind::Sheet) {
    n->sheet = dynamic_cast<PropertySheet*>(&w);
  } else {
    n->dialog = dynamic_cast<Dialog*>(&w);
  }
  GtkWidget* win = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  n->outer = win;
  gtk_style_context_add_class(gtk_widget_get_style_context(win), "signup-window");
  gtk_window_set_resizable(GTK_WINDOW(win), FALSE);
  gtk_window_set_type_hint(GTK_WINDOW(win), GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_window_set_position(GTK_WINDOW(win),
                          kind == Kind::Sheet ? GTK_WIN_POS_CENTER : GTK_WIN_POS_CENTER_ON_PARENT);
  if (n->dialog) {
    if (const res::DialogTemplate* t = res::FindDialog(n->dialog->template_id()))
      gtk_window_set_deletable(GTK_WINDOW(win), (t->style & WS_SYSMENU) != 0);
  }
  n->client = ExactFixedNew();
  gtk::SetPaintHandler(n->client, OnPaint, n);
  gtk_container_add(GTK_CONTAINER(win), n->client);
  gtk_widget_show(n->client);
  g_object_set_data(G_OBJECT(win), kNativeKey, n);
  g_object_set_data(G_OBJECT(n->client), kNativeKey, n);
  g_signal_connect(win, "set-focus", G_CALLBACK(OnSetFocus), nullptr);
  g_signal_connect(win, "key-press-event", G_CALLBACK(OnKeyPress), n);
  g_signal_connect(win, "delete-event", G_CALLBACK(OnDelete), n);
  MakeChildren(n);
  ApplyAll(n);
  return n;
}

Native* GtkBackend::MakePage(PropertyPage& page) {
  Window* parentWindow = page.GetParent();
  Native* parent = parentWindow ? NativeOf(*parentWindow) : nullptr;
  if (!parent || !parent->client) return nullptr;
  Native* n = NewNative(page, Kind::Page, parent);
  n->dialog = &page;
  n->sheet = parent->sheet;
  n->outer = n->client = ExactFixedNew();
  gtk::SetPaintHandler(n->client, OnPaint, n);
  g_object_set_data(G_OBJECT(n->client), kNativeKey, n);
  const Rect r = page.GetWindowRect();
  gtk_fixed_put(GTK_FIXED(parent->client), n->outer, r.left, r.top);
  MakeChildren(n);
  ApplyAll(n);
  return n;
}

Native* GtkBackend::MakeControl(Control& c) {
  Window* parentWindow = c.GetParent();
  Native* parent = parentWindow ? NativeOf(*parentWindow) : nullptr;
  if (!parent || !parent->client) return nullptr;
  Native* n = NewNative(c, Kind::Control, parent);
  n->control = &c;
  n->controlKind = c.kind();
  const DWORD style = c.style();
  GtkWidget* w = nullptr;
  switch (c.kind()) {
    case res::ControlKind::Static: {
      w = gtk_label_new(nullptr);
      GtkLabel* label = GTK_LABEL(w);
      gtk_label_set_line_wrap(label, TRUE);
      gtk_label_set_line_wrap_mode(label, PANGO_WRAP_WORD_CHAR);
      const bool centre = (style & 0x3) == res::SS_CENTER;
      gtk_label_set_xalign(label, centre ? 0.5f : 0.0f);
      gtk_label_set_yalign(label, 0.0f);
      gtk_label_set_justify(label, centre ? GTK_JUSTIFY_CENTER : GTK_JUSTIFY_LEFT);
      gtk_style_context_add_class(gtk_widget_get_style_context(w), "signup-text");
      n->outer = n->input = w;
      break;
    }
    case res::ControlKind::GroupBox:
      w = gtk_frame_new(nullptr);
      n->outer = n->input = w;
      break;
    case res::ControlKind::Edit:
      if (style & ES_MULTILINE) {
        GtkWidget* view = gtk_text_view_new();
        GtkTextView* tv = GTK_TEXT_VIEW(view);
        gtk_text_view_set_wrap_mode(tv, GTK_WRAP_WORD_CHAR);
        if (style & ES_CENTER) gtk_text_view_set_justification(tv, GTK_JUSTIFY_CENTER);
        gtk_text_view_set_left_margin(tv, 2);
        gtk_text_view_set_right_margin(tv, 2);
        w = gtk_scrolled_window_new(nullptr, nullptr);
        gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(w), GTK_POLICY_NEVER,
                                       (style & WS_VSCROLL) ? GTK_POLICY_ALWAYS : GTK_POLICY_NEVER);
        gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(w), FALSE);
        gtk_scrolled_window_set_shadow_type(
            GTK_SCROLLED_WINDOW(w), (style & res::WS_BORDER) ? GTK_SHADOW_IN : GTK_SHADOW_NONE);
        gtk_container_add(GTK_CONTAINER(w), view);
        gtk_widget_show(view);
        n->outer = w;
        n->input = view;
        n->buffer = gtk_text_view_get_buffer(tv);
        g_signal_connect(n->buffer, "changed", G_CALLBACK(OnEditChanged), n);
        g_signal_connect(n->buffer, "insert-text", G_CALLBACK(OnBufferInsert), n);
      } else {
        w = gtk_entry_new();
        gtk_entry_set_width_chars(GTK_ENTRY(w), 1);
        gtk_entry_set_invisible_char(GTK_ENTRY(w), '*');
        gtk_entry_set_has_frame(GTK_ENTRY(w), (style & res::WS_BORDER) != 0);
        if (style & ES_CENTER) gtk_entry_set_alignment(GTK_ENTRY(w), 0.5f);
        n->outer = n->input = w;
        g_signal_connect(w, "changed", G_CALLBACK(OnEditChanged), n);
        g_signal_connect(w, "insert-text", G_CALLBACK(OnEntryInsert), n);
      }
      break;
    case res::ControlKind::PushButton:
    case res::ControlKind::DefPushButton:
    case res::ControlKind::CheckBox:
    case res::ControlKind::RadioButton: {
      if (c.kind() == res::ControlKind::CheckBox) {
        w = gtk_check_button_new();
      } else if (c.kind() == res::ControlKind::RadioButton) {
        w = gtk_radio_button_new(nullptr);
        n->radioOff = gtk_radio_button_new_from_widget(GTK_RADIO_BUTTON(w));
        g_object_ref_sink(n->radioOff);
      } else {
        w = gtk_button_new();
      }
      n->caption = gtk_label_new(nullptr);
      gtk_label_set_ellipsize(GTK_LABEL(n->caption), PANGO_ELLIPSIZE_END);
      gtk_label_set_mnemonic_widget(GTK_LABEL(n->caption), w);
      gtk_container_add(GTK_CONTAINER(w), n->caption);
      gtk_widget_show(n->caption);
      n->outer = n->input = w;
      g_signal_connect(w, "clicked", G_CALLBACK(OnClicked), n);
      break;
    }
    case res::ControlKind::ComboDropDown:
    case res::ControlKind::ComboDropList: {
      const bool editable = c.kind() == res::ControlKind::ComboDropDown;
      w = editable ? gtk_combo_box_text_new_with_entry() : gtk_combo_box_text_new();
      n->outer = w;
      n->input = w;
      if (editable) {
        GtkWidget* entry = gtk_bin_get_child(GTK_BIN(w));
        gtk_entry_set_width_chars(GTK_ENTRY(entry), 1);
        n->input = entry;
        g_signal_connect(entry, "changed", G_CALLBACK(OnEditChanged), n);
        g_signal_connect(entry, "insert-text", G_CALLBACK(OnEntryInsert), n);
      }
      g_signal_connect(w, "changed", G_CALLBACK(OnComboChanged), n);
      break;
    }
  }
  g_object_set_data(G_OBJECT(n->outer), kNativeKey, n);
  const Rect r = c.GetWindowRect();
  gtk_fixed_put(GTK_FIXED(parent->client), n->outer, r.left, r.top);
  ApplyAll(n);
  return n;
}

void GtkBackend::MakeChildren(Native* n) {
  if (n->kind == Kind::Sheet && n->sheet) {
    for (Window* child : n->sheet->Children()) {
      if (child->native) continue;
      if (auto* c = dynamic_cast<Control*>(child)) {
        MakeControl(*c);
      } else if (auto* page = dynamic_cast<PropertyPage*>(child); page && page->IsCreated()) {
        MakePage(*page);
      }
    }
  } else if (n->dialog) {
    for (Control* c : n->dialog->Controls())
      if (!c->native) MakeControl(*c);
  }
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

// ---- Mirroring the model -----------------------------------------------------------------------

void GtkBackend::Update(Window& window, Change what) {
  Applier a(this);
  Native* n = NativeOf(window);
  if (!n) {
    n = Ensure(window);  // a control made after its dialog: it gets its widget now
    if (!n || what == Change::Created) return;
  }
  switch (what) {
    case Change::Created:
      MakeChildren(n);
      break;
    case Change::Text:
      ApplyText(n);
      break;
    case Change::Caption:
      ApplyCaption(n);
      break;
    case Change::Enabled:
      gtk_widget_set_sensitive(n->kind == Kind::Control ? n->outer : n->client,
                               window.IsWindowEnabled());
      break;
    case Change::Visible:
      ApplyVisible(n);
      break;
    case Change::Geometry:
      ApplyGeometry(n);
      break;
    case Change::Checked:
      ApplyCheck(n);
      break;
    case Change::Items:
      ApplyItems(n);
      break;
    case Change::Selection:
      ApplySelection(n);
      break;
    case Change::Limit:
      break;  // the insert filter reads the limit from the model
    case Change::ReadOnly:
      ApplyReadOnly(n);
      break;
    case Change::Password:
      if (n->control && GTK_IS_ENTRY(n->input))
        gtk_entry_set_visibility(GTK_ENTRY(n->input), !n->control->IsPassword());
      break;
    case Change::Focus:
      if (n->kind == Kind::Control) {
        // Also sent to the control that lost the focus; only the new owner takes it.
        if (n->control->HasFocus()) gtk_widget_grab_focus(n->input);
      } else if (n->shown) {
        gtk_window_present(GTK_WINDOW(n->outer));
      }
      break;
    case Change::InputMethod:
      ApplyInputMethod(n);
      break;
    case Change::ToolTip:
      if (n->control) {
        const std::string& tip = n->control->GetToolTipText();
        gtk_widget_set_tooltip_text(n->outer, tip.empty() ? nullptr : Utf8(tip).c_str());
      }
      break;
    case Change::Scroll:
      ApplyScroll(n);
      break;
    case Change::Caret:
      ApplyCaret(n);
      break;
    case Change::ActivePage:
      MakeChildren(n);
      ApplyPages(n);
      break;
    case Change::Repaint:
      gtk_widget_queue_draw(n->outer);
      break;
  }
}

void GtkBackend::ApplyAll(Native* n) {
  ApplyGeometry(n);
  ApplyText(n);
  if (n->kind == Kind::Sheet) ApplyCaption(n);
  gtk_widget_set_sensitive(n->kind == Kind::Control ? n->outer : n->client,
                           n->window->IsWindowEnabled());
  if (n->control) {
    ApplyItems(n);
    ApplyCheck(n);
    ApplyReadOnly(n);
    if (GTK_IS_ENTRY(n->input) && n->controlKind == res::ControlKind::Edit)
      gtk_entry_set_visibility(GTK_ENTRY(n->input), !n->control->IsPassword());
    if (!n->control->GetToolTipText().empty())
      gtk_widget_set_tooltip_text(n->outer, Utf8(n->control->GetToolTipText()).c_str());
    if (n->control->GetInputMethod() == InputMethod::Detached) ApplyInputMethod(n);
  }
  ApplyVisible(n);
}

void GtkBackend::ApplyText(Native* n) {
  const std::string text = Utf8(n->window->GetWindowText());
  switch (n->kind) {
    case Kind::Sheet:
    case Kind::Dialog:
      ApplyCaption(n);
      return;
    case Kind::Page:
      return;
    case Kind::Control:
      break;
  }
  switch (n->controlKind) {
    case res::ControlKind::Static:
      gtk_label_set_text(GTK_LABEL(n->input), gtk::StripMnemonic(gtk::ToLf(text)).c_str());
      break;
    case res::ControlKind::GroupBox:
      gtk_frame_set_label(GTK_FRAME(n->input),
                          text.empty() ? nullptr : gtk::StripMnemonic(text).c_str());
      if (GtkWidget* label = gtk_frame_get_label_widget(GTK_FRAME(n->input)))
        gtk_style_context_add_class(gtk_widget_get_style_context(label), "signup-text");
      break;
    case res::ControlKind::PushButton:
    case res::ControlKind::DefPushButton:
    case res::ControlKind::CheckBox:
    case res::ControlKind::RadioButton:
      gtk_label_set_text_with_mnemonic(GTK_LABEL(n->caption), gtk::MnemonicLabel(text).c_str());
      // A box whose label is in the page picture is the bare indicator.
      gtk_widget_set_visible(n->caption, !text.empty());
      break;
    case res::ControlKind::Edit:
    case res::ControlKind::ComboDropDown:
      if (n->buffer) {
        const std::string lf = gtk::ToLf(text);
        GtkTextIter start, end;
        gtk_text_buffer_get_bounds(n->buffer, &start, &end);
        gchar* now = gtk_text_buffer_get_text(n->buffer, &start, &end, FALSE);
        if (lf != now) gtk_text_buffer_set_text(n->buffer, lf.c_str(), -1);
        g_free(now);
      } else if (text != gtk_entry_get_text(GTK_ENTRY(n->input))) {
        gtk_entry_set_text(GTK_ENTRY(n->input), text.c_str());
      }
      break;
    case res::ControlKind::ComboDropList:
      break;  // shows its selected item
  }
}

GdkPixbuf* GtkBackend::IconFor(int id) {
  if (auto it = icons_.find(id); it != icons_.end()) return it->second;
  res::Icon icon;
  GdkPixbuf* pixbuf = nullptr;
  if (res::LoadIcon(id, icon) && icon.width > 0 && icon.height > 0 &&
      icon.pixels.size() >= static_cast<size_t>(icon.width) * icon.height) {
    pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, icon.width, icon.height);
    guchar* base = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (int y = 0; y < icon.height; ++y) {
      guchar* row = base + y * stride;
      for (int x = 0; x < icon.width; ++x) {
        const uint32_t argb = icon.pixels[static_cast<size_t>(y) * icon.width + x];
        row[x * 4 + 0] = (argb >> 16) & 0xFF;
        row[x * 4 + 1] = (argb >> 8) & 0xFF;
        row[x * 4 + 2] = argb & 0xFF;
        row[x * 4 + 3] = (argb >> 24) & 0xFF;
      }
    }
  }
  icons_[id] = pixbuf;
  return pixbuf;
}

void GtkBackend::ApplyCaption(Native* n) {
  if (n->kind != Kind::Sheet && n->kind != Kind::Dialog) return;
  std::string title = Utf8(n->window->GetWindowText());
  if (title.empty() && n->sheet) title = Utf8(n->sheet->caption());
  if (title.empty() && n->dialog) {
    if (const res::DialogTemplate* t = res::FindDialog(n->dialog->template_id()))
      title = t->caption;
  }
  gtk_window_set_title(GTK_WINDOW(n->outer), title.c_str());
  if (n->sheet && n->sheet->icon() != 0) {
    if (GdkPixbuf* icon = IconFor(n->sheet->icon()))
      gtk_window_set_icon(GTK_WINDOW(n->outer), icon);
  }
}

void GtkBackend::ApplyVisible(Native* n) {
  switch (n->kind) {
    case Kind::Control:
      gtk_widget_set_visible(n->outer, n->window->IsWindowVisible());
      break;
    case Kind::Page: {
      const bool active = !n->sheet || n->sheet->GetActivePage() == n->window;
      gtk_widget_set_visible(n->outer, active && n->window->IsWindowVisible());
      break;
    }
    case Kind::Sheet:
    case Kind::Dialog:
      if (n->shown) gtk_widget_set_visible(n->outer, n->window->IsWindowVisible());
      break;
  }
}

void GtkBackend::ApplyPages(Native* n) {
  for (Native* child : n->children)
    if (child->kind == Kind::Page) ApplyVisible(child);
  gtk_widget_queue_draw(n->client);
}

void GtkBackend::ApplyGeometry(Native* n) {
  Rect r = n->window->GetWindowRect();
  if (n->kind == Kind::Sheet || n->kind == Kind::Dialog) {
    if (r.Width() <= 0 && r.Height() <= 0 && n->dialog) {
      if (const res::DialogTemplate* t = res::FindDialog(n->dialog->template_id()))
        r = DialogUnitsToPixels(0, 0, t->cx, t->cy);
    }
    gtk_widget_set_size_request(n->client, std::max(r.Width(), 1), std::max(r.Height(), 1));
    return;
  }
  int height = r.Height();
  if (n->controlKind == res::ControlKind::ComboDropDown ||
      n->controlKind == res::ControlKind::ComboDropList) {
    if (n->kind == Kind::Control) height = std::min(height, kComboClosedHeight);
  }
  if (n->parent && n->parent->client)
    gtk_fixed_move(GTK_FIXED(n->parent->client), n->outer, r.left, r.top);
  gtk_widget_set_size_request(n->outer, std::max(r.Width(), 0), std::max(height, 0));
}

void GtkBackend::ApplyCheck(Native* n) {
  if (!n->control) return;
  const int state = n->control->GetCheck();
  if (n->controlKind == res::ControlKind::RadioButton) {
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(state ? n->input : n->radioOff), TRUE);
  } else if (n->controlKind == res::ControlKind::CheckBox) {
    gtk_toggle_button_set_inconsistent(GTK_TOGGLE_BUTTON(n->input), state == 2);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(n->input), state == 1);
  }
}

void GtkBackend::ApplyItems(Native* n) {
  if (!n->control || !GTK_IS_COMBO_BOX_TEXT(n->outer)) return;
  GtkComboBoxText* combo = GTK_COMBO_BOX_TEXT(n->outer);
  gtk_combo_box_text_remove_all(combo);
  for (const std::string& item : n->control->items())
    gtk_combo_box_text_append_text(combo, Utf8(item).c_str());
  ApplySelection(n);
}

void GtkBackend::ApplySelection(Native* n) {
  if (!n->control || !GTK_IS_COMBO_BOX(n->outer)) return;
  gtk_combo_box_set_active(GTK_COMBO_BOX(n->outer), n->control->GetCurSel());
  if (n->controlKind == res::ControlKind::ComboDropDown) ApplyText(n);
}

void GtkBackend::ApplyReadOnly(Native* n) {
  if (!n->control || n->controlKind != res::ControlKind::Edit) return;
  const bool readOnly = n->control->IsReadOnly() || (n->control->style() & ES_READONLY);
  if (n->buffer) {
    gtk_text_view_set_editable(GTK_TEXT_VIEW(n->input), !readOnly);
    gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(n->input), !readOnly);
  } else {
    gtk_editable_set_editable(GTK_EDITABLE(n->input), !readOnly);
  }
  // A read-only edit takes the colours its dialog answers for it, as the Windows one does.
  if (!n->css) {
    n->css = gtk_css_provider_new();
    gtk_style_context_add_provider(gtk_widget_get_style_context(n->input),
                                   GTK_STYLE_PROVIDER(n->css),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + 1);
  }
  std::string css;
  if (readOnly) {
    Application* app = Application::Current();
    COLORREF bk = app ? app->dialogBkColor : RGB(192, 192, 192);
    COLORREF text = app ? app->dialogTextColor : RGB(0, 0, 0);
    if (Window* parent = n->control->GetParent()) {
      if (auto colour = parent->OnCtlColor(n->control)) bk = *colour;
    }
    const char* node = n->buffer ? "textview text" : "entry";
    css = std::string(node) + " { background-color: " + CssColor(bk) +
          "; color: " + CssColor(text) + "; }";
  }
  gtk_css_provider_load_from_data(n->css, css.c_str(), -1, nullptr);
}

void GtkBackend::ApplyInputMethod(Native* n) {
  if (!n->control) return;
  GtkWidget* target = n->input;
  if (!GTK_IS_ENTRY(target) && !GTK_IS_TEXT_VIEW(target)) return;
  switch (n->control->GetInputMethod()) {
    case InputMethod::Detached:
      g_object_set(target, "im-module", "gtk-im-context-none", nullptr);
      break;
    case InputMethod::DetachedDigits:
      g_object_set(target, "im-module", "gtk-im-context-none", "input-purpose",
                   GTK_INPUT_PURPOSE_DIGITS, nullptr);
      break;
    case InputMethod::Default:
      g_object_set(target, "im-module", nullptr, nullptr);
      break;
    case InputMethod::Open:
      g_object_set(target, "im-module", nullptr, nullptr);
      if (!gtk_widget_has_focus(target)) gtk_widget_grab_focus(target);
      break;
  }
}

void GtkBackend::ApplyCaret(Native* n) {
  if (!n->control) return;
  const int start = n->control->GetSelStart();
  const int end = n->control->GetSelEnd();
  if (GTK_IS_ENTRY(n->input)) {
    gtk_editable_select_region(GTK_EDITABLE(n->input), start, end);
  } else if (n->buffer) {
    // Offsets count bytes of the program's text; the buffer counts characters, so convert.
    const std::string& text = n->control->GetWindowText();
    auto chars = [&](int bytes) {
      return static_cast<int>(g_utf8_strlen(Utf8(text.substr(0, static_cast<size_t>(bytes))).c_str(), -1));
    };
    GtkTextIter from, to;
    gtk_text_buffer_get_iter_at_offset(n->buffer, &from, chars(start));
    gtk_text_buffer_get_iter_at_offset(n->buffer, &to, chars(end));
    gtk_text_buffer_select_range(n->buffer, &from, &to);
  }
}

void GtkBackend::ApplyScroll(Native* n) {
  if (!n->buffer || !n->control) return;
  GtkTextIter line;
  gtk_text_buffer_get_iter_at_line(n->buffer, &line, n->control->GetFirstVisibleLine());
  GtkTextMark* mark = gtk_text_buffer_get_mark(n->buffer, "signup-first-line");
  if (mark) {
    gtk_text_buffer_move_mark(n->buffer, mark, &line);
  } else {
    mark = gtk_text_buffer_create_mark(n->buffer, "signup-first-line", &line, TRUE);
  }
  gtk_text_view_scroll_to_mark(GTK_TEXT_VIEW(n->input), mark, 0.0, TRUE, 0.0, 0.0);
}

// ---- User input -> model -------------------------------------------------------------------

void GtkBackend::Clicked(Native* n) {
  if (Applying() || !n->control) return;
  const uint64_t serial = n->serial;
  n->control->UserClick();
  // Radio buttons and check boxes show what the model decided, not what GTK toggled.
  if (Native* again = Find(serial); again && !again->dead) {
    Applier a(this);
    ApplyCheck(again);
  }
}

void GtkBackend::EditChanged(Native* n) {
  if (Applying() || !n->control) return;
  std::string text;
  if (n->buffer) {
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(n->buffer, &start, &end);
    gchar* now = gtk_text_buffer_get_text(n->buffer, &start, &end, FALSE);
    text = gtk::ToCrLf(now);
    g_free(now);
  } else {
    text = gtk_entry_get_text(GTK_ENTRY(n->input));
  }
  const uint64_t serial = n->serial;
  n->control->UserType(platform::Utf8ToAnsi(text));
  if (Native* again = Find(serial); again && !again->dead) {
    Applier a(this);
    ApplyText(again);  // the model may have cut the text
  }
}

void GtkBackend::ComboChanged(Native* n) {
  if (Applying() || !n->control) return;
  const int index = gtk_combo_box_get_active(GTK_COMBO_BOX(n->outer));
  if (index < 0) return;  // typing in an editable combo; the entry reports it
  const uint64_t serial = n->serial;
  n->control->UserSelect(index);
  if (Native* again = Find(serial); again && !again->dead) {
    Applier a(this);
    ApplySelection(again);
  }
}

bool GtkBackend::InsertAllowed(Native* n, const std::string& current, const char* text, int length,
                               std::string& fitted) {
  if (Applying() || !n->control) return true;
  const int limit = n->control->GetLimitText();
  if (limit <= 0) return true;
  const std::string inserted = length < 0 ? std::string(text) : std::string(text, length);
  const int room = limit - gtk::Cp932Length(gtk::ToCrLf(current));
  const std::string crlf = n->buffer ? gtk::ToCrLf(inserted) : inserted;
  if (gtk::Cp932Length(crlf) <= room) return true;
  fitted = gtk::FitCp932Bytes(inserted, room);
  return false;
}

Native* GtkBackend::NativeFromWidget(GtkWidget* w) const {
  for (; w; w = gtk_widget_get_parent(w)) {
    if (auto* n = static_cast<Native*>(g_object_get_data(G_OBJECT(w), kNativeKey)))
      return n->dead ? nullptr : n;
  }
  return nullptr;
}

void GtkBackend::FocusMoved(GtkWidget* focus) {
  if (Applying()) return;
  Native* n = NativeFromWidget(focus);
  if (!n || !n->control || n->control->HasFocus()) return;
  n->control->UserFocus();
}

bool GtkBackend::KeyPress(Native* top, GdkEventKey* event) {
  const guint key = event->keyval;
  const bool enter = key == GDK_KEY_Return || key == GDK_KEY_KP_Enter || key == GDK_KEY_ISO_Enter;
  if (key == GDK_KEY_Escape) {
    CloseRequested(top);
    return true;
  }
  if (!enter) return false;
  // A focused push button takes Enter itself, as on Windows.
  GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(top->outer));
  if (Native* f = focus ? NativeFromWidget(focus) : nullptr) {
    if (f->controlKind == res::ControlKind::PushButton ||
        f->controlKind == res::ControlKind::DefPushButton) {
      if (f->kind == Kind::Control) return false;
    }
  }
  // Enter goes to the default push button when there is one, otherwise it is IDOK.
  std::vector<Control*> controls;
  if (top->sheet) {
    for (Window* w : top->sheet->Children())
      if (auto* c = dynamic_cast<Control*>(w)) controls.push_back(c);
  } else if (top->dialog) {
    controls = top->dialog->Controls();
  }
  Control* def = nullptr;
  for (Control* c : controls)
    if (c->kind() == res::ControlKind::DefPushButton && c->IsWindowVisible()) def = c;
  if (!def && top->sheet) {
    for (int id : {ID_WIZNEXT, ID_WIZFINISH}) {
      Control* c = top->sheet->GetDlgItem(id);
      if (!def && c && c->IsWindowVisible() && c->IsWindowEnabled()) def = c;
    }
  }
  if (def) {
    if (def->IsWindowEnabled()) top->window->OnCommand(BN_CLICKED, def->GetDlgCtrlID());
  } else {
    top->window->OnCommand(BN_CLICKED, IDOK);
  }
  return true;
}

void GtkBackend::CloseRequested(Native* top) {
  // Escape and the close box are the Cancel button: nothing happens while Cancel is disabled.
  Control* cancel = top->sheet ? top->sheet->GetDlgItem(IDCANCEL)
                               : (top->dialog ? top->dialog->GetDlgItem(IDCANCEL) : nullptr);
  if (cancel && !cancel->IsWindowEnabled()) return;
  top->window->OnCommand(BN_CLICKED, IDCANCEL);
}

bool GtkBackend::PreTranslate(GdkEvent* event) {
  UINT message = 0;
  switch (event->type) {
    case GDK_KEY_PRESS:
      message = WM_KEYDOWN;
      break;
    case GDK_MOTION_NOTIFY:
      message = WM_MOUSEMOVE;
      break;
    case GDK_BUTTON_PRESS:
      if (event->button.button != 1) return false;
      message = WM_LBUTTONDOWN;
      break;
    case GDK_BUTTON_RELEASE:
      if (event->button.button != 1) return false;
      message = WM_LBUTTONUP;
      break;
    default:
      return false;
  }
  GtkWidget* widget = gtk_get_event_widget(event);
  if (!widget) return false;
  GtkWidget* toplevel = gtk_widget_get_toplevel(widget);
  // Only the window whose modal loop runs pre-translates, as only its loop would see the input.
  if (!toplevel || toplevel != TopModal()) return false;
  auto* top = static_cast<Native*>(g_object_get_data(G_OBJECT(toplevel), kNativeKey));
  if (!top || top->dead) return false;
  GtkWidget* target = widget;
  if (message == WM_KEYDOWN) {
    target = gtk_window_get_focus(GTK_WINDOW(toplevel));
    if (!target) target = toplevel;
  }
  Native* t = NativeFromWidget(target);
  Message msg;
  msg.message = message;
  msg.target = t ? t->window : top->window;
  if (message != WM_KEYDOWN) {
    gdouble rx = 0, ry = 0;
    gdk_event_get_root_coords(event, &rx, &ry);
    gint ox = 0, oy = 0, tx = 0, ty = 0;
    if (GdkWindow* gw = gtk_widget_get_window(toplevel)) gdk_window_get_origin(gw, &ox, &oy);
    GtkWidget* placed = t ? t->outer : top->client;
    gtk_widget_translate_coordinates(placed, toplevel, 0, 0, &tx, &ty);
    msg.x = static_cast<int>(rx) - ox - tx;
    msg.y = static_cast<int>(ry) - oy - ty;
  }
  // From the target up through its parents to the top-level window, as the message loop walks
  // the pre-translation tree: the page under the sheet gets its chance too.
  for (Window* w = msg.target; w; w = w->GetParent()) {
    if (w->PreTranslateMessage(msg)) return true;
    if (w == top->window) break;
  }
  return false;
}

// ---- Modal runs, pumping, time ---------------------------------------------------------------

void GtkBackend::PopModal(GtkWidget* w) { std::erase(modal_, w); }

void GtkBackend::ApplyCursor(Native* n) {
  GdkWindow* gw = gtk_widget_get_window(n->outer);
  if (!gw) return;
  GdkCursor* cursor =
      wait_ ? gdk_cursor_new_from_name(gdk_window_get_display(gw), "wait") : nullptr;
  gdk_window_set_cursor(gw, cursor);
  if (cursor) g_object_unref(cursor);
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
  GtkWindow* win = GTK_WINDOW(n->outer);
  if (GtkWidget* owner = TopModal(); owner && owner != n->outer)
    gtk_window_set_transient_for(win, GTK_WINDOW(owner));
  gtk_window_set_modal(win, TRUE);
  n->shown = true;
  gtk_widget_set_visible(n->outer, window.IsWindowVisible());
  gtk_window_present(win);
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
  if (postSource_) return;
  GSource* source = g_idle_source_new();
  g_source_set_priority(source, G_PRIORITY_DEFAULT);
  g_source_set_can_recurse(source, TRUE);  // posted work runs in nested loops too
  g_source_set_callback(source, OnPosted, nullptr, nullptr);
  postSource_ = g_source_attach(source, nullptr);
  g_source_unref(source);
}

void GtkBackend::PostedDispatch() {
  if (posted_.empty()) {
    if (postSource_) g_source_remove(postSource_);
    postSource_ = 0;
    return;
  }
  std::function<void()> fn = std::move(posted_.front());
  posted_.pop_front();
  fn();
}

void GtkBackend::SetTimer(Window& window, UINT id, UINT ms) {
  KillTimer(window, id);
  GSource* source = g_timeout_source_new(ms);
  // Timers fire in nested loops too, as WM_TIMER does.
  g_source_set_can_recurse(source, TRUE);
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
  wait_ = on;
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

// ---- Painting ---------------------------------------------------------------------------------

void GtkBackend::Paint(Native* n, cairo_t* cr) {
  painting_.emplace_back(n->window, cr);
  n->window->OnPaint();
  painting_.pop_back();
}

cairo_surface_t* GtkBackend::SurfaceFor(const Bitmap& bitmap, bool& owned) {
  owned = false;
  if (bitmap.id() != 0) {
    if (auto it = surfaces_.find(bitmap.id()); it != surfaces_.end()) return it->second;
  }
  const res::Bitmap& data = bitmap.data();
  if (data.width <= 0 || data.height <= 0 ||
      data.pixels.size() < static_cast<size_t>(data.width) * data.height)
    return nullptr;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, data.width, data.height);
  cairo_surface_flush(s);
  unsigned char* base = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < data.height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(base + y * stride);
    const uint8_t* src = &data.pixels[static_cast<size_t>(y) * data.width];
    for (int x = 0; x < data.width; ++x)
      row[x] = src[x] < data.palette.size() ? (data.palette[src[x]] & 0xFFFFFF) : 0;
  }
  cairo_surface_mark_dirty(s);
  if (bitmap.id() != 0) {
    surfaces_[bitmap.id()] = s;
  } else {
    owned = true;
  }
  return s;
}

void GtkBackend::DrawBitmap(Window& window, const Bitmap& bitmap, int x, int y, int width,
                            int height, int sx, int sy) {
  cairo_t* cr = nullptr;
  for (auto it = painting_.rbegin(); it != painting_.rend(); ++it)
    if (it->first == &window) {
      cr = it->second;
      break;
    }
  if (!cr) return;  // only inside the window's paint
  bool owned = false;
  cairo_surface_t* s = SurfaceFor(bitmap, owned);
  if (!s) return;
  cairo_save(cr);
  cairo_rectangle(cr, x, y, width, height);
  cairo_clip(cr);
  cairo_set_source_surface(cr, s, x - sx, y - sy);
  cairo_paint(cr);
  cairo_restore(cr);
  if (owned) cairo_surface_destroy(s);
}

// ---- Message boxes ----------------------------------------------------------------------------

void GtkBackend::MessageBoxAnswered(Box* box, int response) {
  const UINT buttons = box->type & MB_TYPEMASK;
  if (response < 0) {
    // Escape or the close box: Cancel where there is one, OK on a lone OK, nothing on Yes/No.
    if (buttons == MB_OKCANCEL || buttons == MB_YESNOCANCEL) {
      response = IDCANCEL;
    } else if (buttons == MB_OK) {
      response = IDOK;
    } else {
      return;
    }
  }
  box->answer = response;
  g_main_loop_quit(box->loop);
}

int GtkBackend::MessageBox(Window* owner, const std::string& text, const std::string& caption,
                           UINT type) {
  GtkWidget* dialog = gtk_dialog_new();
  GtkWindow* win = GTK_WINDOW(dialog);
  gtk_window_set_title(win, Utf8(caption).c_str());
  gtk_window_set_resizable(win, FALSE);
  gtk_window_set_modal(win, TRUE);
  // Owned by the window whose modal loop runs; the owner given is the sheet under it.
  GtkWidget* parent = TopModal();
  if (!parent && owner) {
    for (Window* w = owner; w; w = w->GetParent()) {
      Native* n = NativeOf(*w);
      if (n && (n->kind == Kind::Sheet || n->kind == Kind::Dialog) && n->shown) {
        parent = n->outer;
        break;
      }
    }
  }
  if (parent) gtk_window_set_transient_for(win, GTK_WINDOW(parent));
  gtk_window_set_position(win, parent ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);

  const char* iconName = nullptr;
  switch (type & MB_ICONMASK) {
    case MB_ICONSTOP:
      iconName = "dialog-error";
      break;
    case MB_ICONEXCLAMATION:
      iconName = "dialog-warning";
      break;
    case MB_ICONQUESTION:
      iconName = "dialog-question";
      break;
    case MB_ICONINFORMATION:
      iconName = "dialog-information";
      break;
  }
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
  gtk_container_set_border_width(GTK_CONTAINER(row), 12);
  if (iconName) {
    GtkWidget* image = gtk_image_new_from_icon_name(iconName, GTK_ICON_SIZE_DIALOG);
    gtk_widget_set_valign(image, GTK_ALIGN_START);
    gtk_widget_set_name(image, iconName);
    gtk_box_pack_start(GTK_BOX(row), image, FALSE, FALSE, 0);
  }
  GtkWidget* label = gtk_label_new(gtk::ToLf(Utf8(text)).c_str());
  gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
  gtk_label_set_line_wrap_mode(GTK_LABEL(label), PANGO_WRAP_WORD_CHAR);
  gtk_label_set_max_width_chars(GTK_LABEL(label), 60);
  gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
  gtk_box_pack_start(GTK_BOX(row), label, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), row, TRUE, TRUE, 0);

  const UINT buttons = type & MB_TYPEMASK;
  std::vector<std::pair<const char*, int>> list;
  switch (buttons) {
    case MB_OKCANCEL:
      list = {{"OK", IDOK}, {"ｷｬﾝｾﾙ", IDCANCEL}};
      break;
    case MB_YESNOCANCEL:
      list = {{"はい(_Y)", IDYES}, {"いいえ(_N)", IDNO}, {"ｷｬﾝｾﾙ", IDCANCEL}};
      break;
    case MB_YESNO:
      list = {{"はい(_Y)", IDYES}, {"いいえ(_N)", IDNO}};
      gtk_window_set_deletable(win, FALSE);
      break;
    default:
      list = {{"OK", IDOK}};
      break;
  }
  for (auto& [labelText, id] : list) gtk_dialog_add_button(GTK_DIALOG(dialog), labelText, id);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), list.front().second);
  Box box{g_main_loop_new(nullptr, FALSE), type, IDCANCEL};
  g_signal_connect(dialog, "response", G_CALLBACK(OnBoxResponse), &box);
  g_signal_connect(dialog, "delete-event", G_CALLBACK(OnBoxDelete), nullptr);
  modal_.push_back(dialog);
  gtk_widget_show_all(dialog);
  gtk_window_present(win);
  g_main_loop_run(box.loop);
  PopModal(dialog);
  g_main_loop_unref(box.loop);
  gtk_widget_destroy(dialog);
  return box.answer;
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

Native* Of(const Window& window) {
  auto* n = static_cast<Native*>(window.native);
  return (g_backend && n && !n->dead) ? n : nullptr;
}

}  // namespace

std::unique_ptr<Backend> CreateGtkBackend(int* argc, char*** argv) {
  if (g_backend) return nullptr;  // one display connection, one backend
  // The program formats numbers and converts text itself; GTK keeps the C locale.
  static bool localeKept = false;
  if (!localeKept) gtk_disable_setlocale();
  localeKept = true;
  if (!gtk_init_check(argc, argv)) return nullptr;
  return std::make_unique<GtkBackend>();
}

namespace gtk {

GtkWidget* WidgetOf(const Window& window) {
  Native* n = Of(window);
  return n ? n->outer : nullptr;
}

GtkWidget* ClientOf(const Window& window) {
  Native* n = Of(window);
  return n ? n->client : nullptr;
}

GtkWidget* InputWidgetOf(const Window& window) {
  Native* n = Of(window);
  return n ? n->input : nullptr;
}

}  // namespace gtk
}  // namespace ui
