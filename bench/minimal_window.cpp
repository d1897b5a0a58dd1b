// The yardstick of the start-up benchmark: the least a GTK 3 program does to show what the
// wizard's first page shows, one 448 x 310 window with one picture, and nothing else.
// Reports its first painted frame on the debug log domain "signup", as the wizard does.
//
//   minimal_window PICTURE
#include <gtk/gtk.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: minimal_window PICTURE\n");
    return 2;
  }
  gtk_init(&argc, &argv);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "minimal");
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  gtk_widget_set_size_request(window, 448, 310);
  gtk_container_add(GTK_CONTAINER(window), gtk_image_new_from_file(argv[1]));
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  gtk_widget_show_all(window);
  g_signal_connect(gtk_widget_get_frame_clock(window), "after-paint",
                   G_CALLBACK(+[](GdkFrameClock* clock, gpointer data) {
                     g_log("signup", G_LOG_LEVEL_DEBUG, "first frame painted");
                     g_signal_handlers_disconnect_by_data(clock, data);
                   }),
                   window);
  gtk_main();
  return 0;
}
