// A GtkFixed that gives every child exactly the size it was asked for, no more, no less.
#pragma once

#include <gtk/gtk.h>

namespace ui::gtk {

// Children are placed with gtk_fixed_put/move and sized with gtk_widget_set_size_request; the
// container's own size is its size request. `paint` runs before the children draw, with the
// widget's user data set by SetPaintHandler.
GtkWidget* ExactFixedNew();
using PaintHandler = void (*)(GtkWidget* fixed, cairo_t* cr, void* data);
void SetPaintHandler(GtkWidget* fixed, PaintHandler handler, void* data);

}  // namespace ui::gtk
