// A GtkFixed that allocates each child its requested rectangle, so controls keep the program's
// pixel geometry even where a theme would want them larger.
#include "ui/gtk/exact_fixed.h"

namespace ui::gtk {
namespace {

struct ExactFixed {
  GtkFixed parent;
  PaintHandler paint;
  void* paintData;
};
struct ExactFixedClass {
  GtkFixedClass parentClass;
};

G_DEFINE_TYPE(ExactFixed, exact_fixed, GTK_TYPE_FIXED)

// The container asks for nothing itself: its size request (the client area) is its size.
void PreferredNothing(GtkWidget*, gint* minimum, gint* natural) { *minimum = *natural = 0; }

struct AllocateContext {
  GtkWidget* fixed;
  const GtkAllocation* area;
};

void AllocateChild(GtkWidget* child, gpointer data) {
  auto* ctx = static_cast<AllocateContext*>(data);
  if (!gtk_widget_get_visible(child)) return;
  gint x = 0, y = 0, w = -1, h = -1;
  gtk_container_child_get(GTK_CONTAINER(ctx->fixed), child, "x", &x, "y", &y, nullptr);
  gtk_widget_get_size_request(child, &w, &h);
  // GTK wants the preferred size queried before an allocation; the request still wins.
  GtkRequisition minimum;
  gtk_widget_get_preferred_size(child, &minimum, nullptr);
  if (w < 0) w = minimum.width;
  if (h < 0) h = minimum.height;
  GtkAllocation a{x, y, w, h};
  if (!gtk_widget_get_has_window(ctx->fixed)) {
    a.x += ctx->area->x;
    a.y += ctx->area->y;
  }
  gtk_widget_size_allocate(child, &a);
}

void SizeAllocate(GtkWidget* widget, GtkAllocation* allocation) {
  gtk_widget_set_allocation(widget, allocation);
  if (gtk_widget_get_has_window(widget) && gtk_widget_get_realized(widget)) {
    gdk_window_move_resize(gtk_widget_get_window(widget), allocation->x, allocation->y,
                           allocation->width, allocation->height);
  }
  AllocateContext ctx{widget, allocation};
  gtk_container_forall(GTK_CONTAINER(widget), AllocateChild, &ctx);
}

gboolean Draw(GtkWidget* widget, cairo_t* cr) {
  auto* self = reinterpret_cast<ExactFixed*>(widget);
  if (self->paint) {
    cairo_save(cr);
    self->paint(widget, cr, self->paintData);
    cairo_restore(cr);
  }
  return GTK_WIDGET_CLASS(exact_fixed_parent_class)->draw(widget, cr);
}

void exact_fixed_class_init(ExactFixedClass* klass) {
  GtkWidgetClass* widget = GTK_WIDGET_CLASS(klass);
  widget->get_preferred_width = PreferredNothing;
  widget->get_preferred_height = PreferredNothing;
  widget->size_allocate = SizeAllocate;
  widget->draw = Draw;
}

void exact_fixed_init(ExactFixed* self) {
  self->paint = nullptr;
  self->paintData = nullptr;
}

}  // namespace

GtkWidget* ExactFixedNew() { return GTK_WIDGET(g_object_new(exact_fixed_get_type(), nullptr)); }

void SetPaintHandler(GtkWidget* fixed, PaintHandler handler, void* data) {
  auto* self = reinterpret_cast<ExactFixed*>(fixed);
  self->paint = handler;
  self->paintData = data;
}

}  // namespace ui::gtk
