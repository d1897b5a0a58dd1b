// GTK 3 backend: user input turned into framework calls: clicks, typing within the byte limit,
// selections, focus, Enter and Escape, and the events the framework pre-translates.
#include <gtk/gtk.h>

#include "ui/gtk/gtk_native.h"
#include "ui/gtk/gtk_text.h"

namespace ui::gtk {

// ---- Signal handlers (run on the user-interface thread by GTK) ---------------------------------

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

void OnCursorReset(GtkWidget* widget, gpointer) {
  if (g_backend) g_backend->CursorReset(widget);
}

void KeepFocusVisible(GtkWindow* window, GParamSpec*, gpointer) {
  if (!gtk_window_get_focus_visible(window)) gtk_window_set_focus_visible(window, TRUE);
}

gboolean OnViewFocus(GtkWidget* view, GdkEventFocus* event, gpointer frame) {
  GtkStyleContext* style = gtk_widget_get_style_context(GTK_WIDGET(frame));
  if (event->in) {
    gtk_style_context_add_class(style, "signup-focused");
  } else {
    gtk_style_context_remove_class(style, "signup-focused");
  }
  return FALSE;
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
  if (Native* n = Live(data)) g_backend->CloseRequested(n);
  return TRUE;  // the framework decides whether the window goes away
}

// What a person does to a window: while a request blocks the program none of it is acted on.
bool IsUserInput(const GdkEvent* event) {
  switch (event->type) {
    case GDK_BUTTON_PRESS:
    case GDK_2BUTTON_PRESS:
    case GDK_3BUTTON_PRESS:
    case GDK_BUTTON_RELEASE:
    case GDK_KEY_PRESS:
    case GDK_KEY_RELEASE:
    case GDK_SCROLL:
    case GDK_TOUCH_BEGIN:
    case GDK_TOUCH_UPDATE:
    case GDK_TOUCH_END:
    case GDK_TOUCH_CANCEL:
    case GDK_TOUCHPAD_SWIPE:
    case GDK_TOUCHPAD_PINCH:
    case GDK_DELETE:
      return true;
    default:
      return false;
  }
}

void EventHook(GdkEvent* event, gpointer) {
  // A close request by the window manager is input like a click: the request under way finishes
  // and its result is kept, and the user may close the window afterwards.
  if (g_backend && g_backend->Blocking() && IsUserInput(event)) return;
  if (g_backend && g_backend->PreTranslate(event)) return;
  gtk_main_do_event(event);
}

// ---- User input -> model -------------------------------------------------------------------

void GtkBackend::Clicked(Native* n) {
  if (Applying() || !n->control) return;
  if (Blocking()) {
    // Not acted on: the button shows the model's state again.
    Applier a(this);
    ApplyCheck(n);
    return;
  }
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
  if (Blocking()) {
    Applier a(this);
    ApplyText(n);
    return;
  }
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
  if (Blocking()) {
    Applier a(this);
    ApplySelection(n);
    return;
  }
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

Control* GtkBackend::FocusedControl(Native* top) const {
  GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(top->outer));
  Native* f = focus ? NativeFromWidget(focus) : nullptr;
  return f != nullptr ? f->control : nullptr;
}

void GtkBackend::MoveFocus(Control* to) {
  // The model first, so the controls get their focus notifications as for a click.
  to->UserFocus();
  if (Native* n = Live(to->native)) GiveFocus(n);
}

void GiveFocus(Native* n) {
  if (n->input == nullptr) return;
  GtkWidget* top = gtk_widget_get_toplevel(n->input);
  GtkWidget* focus = GTK_IS_WINDOW(top) ? gtk_window_get_focus(GTK_WINDOW(top)) : nullptr;
  if (focus != nullptr && (focus == n->input || gtk_widget_is_ancestor(focus, n->input))) return;
  // A drop-down list takes no focus itself: the button inside it does.
  if (gtk_widget_get_can_focus(n->input)) {
    gtk_widget_grab_focus(n->input);
  } else {
    gtk_widget_child_focus(n->input, GTK_DIR_TAB_FORWARD);
  }
}

bool GtkBackend::Navigate(Native* top, GdkEventKey* event) {
  const guint key = event->keyval;
  const guint modifiers = event->state & gtk_accelerator_get_default_mod_mask();
  const bool tab = key == GDK_KEY_Tab || key == GDK_KEY_ISO_Left_Tab || key == GDK_KEY_KP_Tab;
  if (tab && (modifiers & ~GDK_SHIFT_MASK) == 0) {
    Control* from = FocusedControl(top);
    const bool back = (modifiers & GDK_SHIFT_MASK) != 0 || key == GDK_KEY_ISO_Left_Tab;
    if (Control* to = NextTabStop(*top->window, from, back); to != nullptr && to != from)
      MoveFocus(to);
    return true;
  }
  bool forward = false;
  switch (key) {
    case GDK_KEY_Right:
    case GDK_KEY_Down:
    case GDK_KEY_KP_Right:
    case GDK_KEY_KP_Down:
      forward = true;
      break;
    case GDK_KEY_Left:
    case GDK_KEY_Up:
    case GDK_KEY_KP_Left:
    case GDK_KEY_KP_Up:
      break;
    default:
      return false;
  }
  // Edits and lists use the arrows themselves; on buttons they move inside the group.
  Control* from = FocusedControl(top);
  if (modifiers != 0 || from == nullptr || !from->IsButtonLike()) return false;
  Control* to = NextGroupItem(*top->window, from, !forward);
  if (to == nullptr || to == from) return true;
  MoveFocus(to);
  // Moving onto an automatic radio button chooses it.
  if (to->GetKind() == res::ControlKind::RadioButton && to->IsWindowEnabled() && !to->GetCheck()) {
    if (Native* n = Live(to->native)) Clicked(n);
  }
  return true;
}

bool GtkBackend::KeyPress(Native* top, GdkEventKey* event) {
  const guint key = event->keyval;
  const bool enter = key == GDK_KEY_Return || key == GDK_KEY_KP_Enter || key == GDK_KEY_ISO_Enter;
  if (key == GDK_KEY_Escape) {
    CloseRequested(top);
    return true;
  }
  if (!enter) return Navigate(top, event);
  // A focused push button takes Enter itself, as on Windows.
  if (Control* f = FocusedControl(top)) {
    if (f->GetKind() == res::ControlKind::PushButton ||
        f->GetKind() == res::ControlKind::DefPushButton)
      return false;
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
    if (c->GetKind() == res::ControlKind::DefPushButton && c->IsWindowVisible()) def = c;
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
  if (Blocking()) return;
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

}  // namespace ui::gtk
