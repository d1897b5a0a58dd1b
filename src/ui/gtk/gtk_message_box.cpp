// GTK 3 backend: the framework's message boxes as GtkDialogs with the icon image and the Windows
// button sets, answered in a nested main loop.
#include <gtk/gtk.h>

#include "ui/gtk/gtk_native.h"
#include "ui/gtk/gtk_text.h"

namespace ui::gtk {

// A message box being answered: its loop, its buttons and the answer.
struct Box {
  GMainLoop* loop;
  UINT type;
  int answer;
};

namespace {

void OnBoxResponse(GtkDialog*, gint response, gpointer data) {
  if (g_backend) g_backend->MessageBoxAnswered(static_cast<Box*>(data), response);
}

// The close box answers like Escape; the box itself stays until MessageBox destroys it.
gboolean OnBoxDelete(GtkWidget* dialog, GdkEvent*, gpointer) {
  gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_DELETE_EVENT);
  return TRUE;
}

}  // namespace

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
  g_signal_connect(dialog, "map-event", G_CALLBACK(HideCoveredToolTips), nullptr);
  modal_.push_back(dialog);
  gtk_widget_show_all(dialog);
  gtk_window_present(win);
  g_main_loop_run(box.loop);
  PopModal(dialog);
  g_main_loop_unref(box.loop);
  gtk_widget_destroy(dialog);
  return box.answer;
}

}  // namespace ui::gtk
