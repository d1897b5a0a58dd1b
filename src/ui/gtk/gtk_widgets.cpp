// GTK 3 backend: the widgets of the sheet, its pages, the dialogs and their controls at the
// program's pixel positions, and the model's changes mirrored into them.
#include <gtk/gtk.h>

#include <algorithm>
#include <cstdio>

#include "res/styles.h"
#include "ui/gtk/exact_fixed.h"
#include "ui/gtk/gtk_native.h"
#include "ui/gtk/gtk_text.h"

namespace ui::gtk {
namespace {

// Closed height of a combo box: templates give the height with the list dropped down.
constexpr int kComboClosedHeight = 22;

std::string CssColor(COLORREF c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
  return buf;
}

// Black or white, whichever stands out more against `c`.
COLORREF Contrasting(COLORREF c) {
  const int luma = 299 * GetRValue(c) + 587 * GetGValue(c) + 114 * GetBValue(c);
  return luma >= 128000 ? RGB(0, 0, 0) : RGB(255, 255, 255);
}

// Tab stops every 32 dialog units, as the Windows edit control sets them: the summaries line up
// their values in columns with tabs.
PangoTabArray* EditTabStops() {
  static PangoTabArray* const tabs = [] {
    const int every = DialogUnitsToPixels(0, 0, 32, 0).Width();
    constexpr int kStops = 24;  // beyond the widest box
    PangoTabArray* t = pango_tab_array_new(kStops, TRUE);
    for (int i = 0; i < kStops; ++i) pango_tab_array_set_tab(t, i, PANGO_TAB_LEFT, every * (i + 1));
    return t;
  }();
  return tabs;
}

// IPA P Gothic sets the half-width sound marks "ﾞ" and "ﾟ" as wide as a kana, 6 pixels at 9
// points, where the Windows dialog font sets them narrow: drawn 2 pixels closer, the captions of
// half-width kana take the width the templates were made for ("ﾊﾟｽﾜｰﾄﾞ:" fits its 28 dialog
// units instead of wrapping) and the summaries' labels end before the same tab stops as there.
constexpr int kMarkSpacing = -2 * PANGO_SCALE;
// A text view takes no negative spacing: there the marks are set smaller, 4 pixels wide.
constexpr double kMarkScale = 4.0 / 6.0;

void NarrowSoundMarks(GtkLabel* label) {
  PangoAttrList* attrs = pango_attr_list_new();
  for (const auto& [start, end] : gtk::SoundMarkRuns(gtk_label_get_text(label))) {
    PangoAttribute* a = pango_attr_letter_spacing_new(kMarkSpacing);
    a->start_index = static_cast<guint>(start);
    a->end_index = static_cast<guint>(end);
    pango_attr_list_insert(attrs, a);
  }
  gtk_label_set_attributes(label, attrs);
  pango_attr_list_unref(attrs);
}

void NarrowSoundMarks(GtkTextBuffer* buffer) {
  GtkTextTagTable* table = gtk_text_buffer_get_tag_table(buffer);
  GtkTextTag* tag = gtk_text_tag_table_lookup(table, "signup-marks");
  if (tag == nullptr)
    tag = gtk_text_buffer_create_tag(buffer, "signup-marks", "scale", kMarkScale, nullptr);
  GtkTextIter from, to;
  gtk_text_buffer_get_bounds(buffer, &from, &to);
  gtk_text_buffer_remove_tag(buffer, tag, &from, &to);
  for (GtkTextIter it = from; !gtk_text_iter_is_end(&it);) {
    const gunichar c = gtk_text_iter_get_char(&it);
    if (c != 0xFF9E && c != 0xFF9F) {
      gtk_text_iter_forward_char(&it);
      continue;
    }
    GtkTextIter end = it;
    while (!gtk_text_iter_is_end(&end) &&
           (gtk_text_iter_get_char(&end) == 0xFF9E || gtk_text_iter_get_char(&end) == 0xFF9F))
      gtk_text_iter_forward_char(&end);
    gtk_text_buffer_apply_tag(buffer, tag, &it, &end);
    it = end;
  }
}

// A control's tool tip shows only while its window is the one the user can work in: a tip that
// was up when a modal dialog or message box opened would stay over it and hide its buttons.
gboolean OnQueryToolTip(GtkWidget* widget, gint, gint, gboolean, GtkTooltip*, gpointer) {
  if (g_backend != nullptr && !g_backend->TakesInput(gtk_widget_get_toplevel(widget)))
    g_signal_stop_emission_by_name(widget, "query-tooltip");
  return FALSE;
}

}  // namespace

// When a window comes up over others, GTK asks again whether the tip under the pointer may show.
gboolean HideCoveredToolTips(GtkWidget* window, GdkEvent*, gpointer) {
  gtk_tooltip_trigger_tooltip_query(gtk_widget_get_display(window));
  return FALSE;
}

// ---- Making the widgets -----------------------------------------------------------------------

// The dialog colours as Windows draws them: every label, check box and radio button caption in
// the dialog's text colour on its background; a disabled caption, a push button's too, etched in
// the system's shadow grey over a highlight, whatever the dialog colours (the theme's own grey
// for a disabled button is too close to its black for a person to see Back and Next are off).
void GtkBackend::ApplyColours() {
  Application* app = Application::Current();
  COLORREF bk = app ? app->dialogBkColor : RGB(192, 192, 192);
  COLORREF text = app ? app->dialogTextColor : RGB(0, 0, 0);
  if (colours_ == std::make_pair(bk, text)) return;
  colours_ = {bk, text};
  // The pictures follow the contrast of the dialogs: they are made again in the new one.
  for (auto& [id, s] : surfaces_) cairo_surface_destroy(s);
  surfaces_.clear();
  const std::string captions =
      ".signup-window label.signup-text, .signup-window checkbutton > label,"
      " .signup-window radiobutton > label, .signup-window frame > label";
  const std::string disabled =
      ".signup-window label.signup-text:disabled, .signup-window checkbutton:disabled > label,"
      " .signup-window radiobutton:disabled > label, .signup-window button:disabled > label";
  std::string css =
      ".signup-window { background-color: " + CssColor(bk) + "; }\n" + captions +
      " { color: " + CssColor(text) + "; }\n" + disabled +
      " { color: #808080; text-shadow: 1px 1px #ffffff; }\n" +
      ".signup-window checkbutton, .signup-window radiobutton { outline-color: " +
      CssColor(Contrasting(bk)) + "; }\n" +
      ".signup-window scrolledwindow.signup-focused { border-color: " + CssColor(Contrasting(bk)) +
      "; }\n";
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
  // The focus ring shows all the time, not only once the keyboard has been used.
  gtk_window_set_focus_visible(GTK_WINDOW(win), TRUE);
  g_signal_connect(win, "notify::focus-visible", G_CALLBACK(KeepFocusVisible), nullptr);
  g_signal_connect(win, "set-focus", G_CALLBACK(OnSetFocus), nullptr);
  g_signal_connect(win, "key-press-event", G_CALLBACK(OnKeyPress), n);
  g_signal_connect(win, "delete-event", G_CALLBACK(OnDelete), n);
  g_signal_connect(win, "map-event", G_CALLBACK(HideCoveredToolTips), nullptr);
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
  // The page's title is part of its picture: a screen reader gets it as the name of the page's
  // panel, as it would from an assistant page.
  if (AtkObject* accessible = gtk_widget_get_accessible(n->client)) {
    atk_object_set_role(accessible, ATK_ROLE_PANEL);
    atk_object_set_name(accessible, Utf8(page.AccessibleName()).c_str());
  }
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
        gtk_text_view_set_tabs(tv, EditTabStops());
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
        // A text view draws no focus ring: its frame shows the focus instead.
        g_signal_connect(view, "focus-in-event", G_CALLBACK(OnViewFocus), w);
        g_signal_connect(view, "focus-out-event", G_CALLBACK(OnViewFocus), w);
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
      // An empty list can still take the focus and drop down, as on Windows.
      gtk_combo_box_set_button_sensitivity(GTK_COMBO_BOX(w), GTK_SENSITIVITY_ON);
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
  g_signal_connect(n->outer, "query-tooltip", G_CALLBACK(OnQueryToolTip), nullptr);
  if (GTK_IS_ENTRY(n->input) || GTK_IS_TEXT_VIEW(n->input)) {
    g_signal_connect_after(n->input, "realize", G_CALLBACK(OnCursorReset), nullptr);
    g_signal_connect_after(n->input, "state-flags-changed", G_CALLBACK(OnCursorReset), nullptr);
  }
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
      ApplyAccessible(n);
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
        if (n->control->HasFocus()) GiveFocus(n);
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
        ApplyAccessible(n);
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
    ApplyAccessible(n);
  }
  ApplyVisible(n);
}

// A screen reader reads the control's name from ATK: for controls whose label is in the page
// picture, nothing on the screen would give it one.
void GtkBackend::ApplyAccessible(Native* n) {
  if (!n->control) return;
  const std::string name = Utf8(n->control->AccessibleName());
  const std::string description = Utf8(n->control->AccessibleDescription());
  for (GtkWidget* w : {n->outer, n->input}) {
    if (w == nullptr) continue;
    AtkObject* accessible = gtk_widget_get_accessible(w);
    if (accessible == nullptr) continue;
    atk_object_set_name(accessible, name.c_str());
    atk_object_set_description(accessible, description.c_str());
  }
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
      NarrowSoundMarks(GTK_LABEL(n->input));
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
      NarrowSoundMarks(GTK_LABEL(n->caption));
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
        if (lf != now) {
          gtk_text_buffer_set_text(n->buffer, lf.c_str(), -1);
          NarrowSoundMarks(n->buffer);
        }
        g_free(now);
      } else if (text != gtk_entry_get_text(GTK_ENTRY(n->input))) {
        gtk_entry_set_text(GTK_ENTRY(n->input), text.c_str());
      }
      if (n->controlKind == res::ControlKind::ComboDropDown) FollowTextInList(n);
      break;
    case res::ControlKind::ComboDropList:
      break;  // shows its selected item
  }
}

GList* GtkBackend::IconsFor(int id) {
  if (auto it = icons_.find(id); it != icons_.end()) return it->second;
  std::vector<res::Icon> images;
  GList* list = nullptr;
  res::LoadIcons(id, images);
  for (const res::Icon& icon : images) {
    if (icon.width <= 0 || icon.height <= 0 ||
        icon.pixels.size() < static_cast<size_t>(icon.width) * icon.height)
      continue;
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, icon.width, icon.height);
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
    list = g_list_append(list, pixbuf);
  }
  icons_[id] = list;
  return list;
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
    // Every size of the icon: the window manager takes the one its title bar and task list want.
    if (GList* icons = IconsFor(n->sheet->icon()))
      gtk_window_set_icon_list(GTK_WINDOW(n->outer), icons);
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
  for (Native* child : n->children) {
    if (child->kind != Kind::Page) continue;
    ApplyVisible(child);
    // A screen reader is told that the active page, by its title, is now what is shown.
    if (n->sheet && n->sheet->GetActivePage() == child->window) {
      if (AtkObject* accessible = gtk_widget_get_accessible(child->client))
        atk_object_notify_state_change(accessible, ATK_STATE_SHOWING, TRUE);
    }
  }
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

// The list of an editable combo box follows its text, as on Windows: the item the text names is
// the current one, so that Down moves on from it (from "4" to "5") instead of starting again at
// the first item, which made the first Down on "1" look ignored.
void GtkBackend::FollowTextInList(Native* n) {
  if (!n->control || !GTK_IS_COMBO_BOX(n->outer)) return;
  const std::vector<std::string>& items = n->control->items();
  const std::string& text = n->control->GetWindowText();
  int index = n->control->GetCurSel();
  if (index < 0 || static_cast<size_t>(index) >= items.size() || items[index] != text) {
    const auto it = std::find(items.begin(), items.end(), text);
    index = it == items.end() ? -1 : static_cast<int>(it - items.begin());
  }
  if (gtk_combo_box_get_active(GTK_COMBO_BOX(n->outer)) != index)
    gtk_combo_box_set_active(GTK_COMBO_BOX(n->outer), index);
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
  const bool readOnly = n->control->IsReadOnly();
  if (n->buffer) {
    // The caret stays: a read-only edit can still be scrolled and selected from the keyboard.
    gtk_text_view_set_editable(GTK_TEXT_VIEW(n->input), !readOnly);
  } else {
    gtk_editable_set_editable(GTK_EDITABLE(n->input), !readOnly);
  }
  // A read-only edit takes the colours its dialog answers for it, as the Windows one does (the
  // system's in high contrast); an edit that never was read-only needs no style of its own.
  if (!readOnly && !n->css) return;
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
    if (Window* parent = n->control->GetParent(); parent && !HighContrastColours()) {
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
    // The offsets count bytes of the program's text; the buffer counts characters.
    const std::string& text = n->control->GetWindowText();
    auto chars = [&](int bytes) {
      const std::string head = Utf8(text.substr(0, static_cast<size_t>(bytes)));
      return static_cast<int>(g_utf8_strlen(head.c_str(), -1));
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

}  // namespace ui::gtk
