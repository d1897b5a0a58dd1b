// GTK 3 backend: painting a window through its OnPaint, and the bitmaps it draws.
#include <gtk/gtk.h>

#include "ui/gtk/gtk_native.h"

namespace ui::gtk {

void OnPaint(GtkWidget*, cairo_t* cr, void* data) {
  if (Native* n = Live(data)) g_backend->Paint(n, cr);
}

void GtkBackend::Paint(Native* n, cairo_t* cr) {
  painting_.emplace_back(n->window, cr);
  n->window->OnPaint();
  painting_.pop_back();
}

cairo_surface_t* GtkBackend::SurfaceFor(const Bitmap& bitmap, bool& owned) {
  owned = false;
  if (bitmap.GetId() != 0) {
    if (auto it = surfaces_.find(bitmap.GetId()); it != surfaces_.end()) return it->second;
  }
  const res::Bitmap& data = bitmap.GetData();
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
  if (bitmap.GetId() != 0) {
    surfaces_[bitmap.GetId()] = s;
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
  // At a window scale of 2 every picture pixel becomes a sharp block: the lettering stays as
  // crisp as it was drawn instead of blurring.
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint(cr);
  cairo_restore(cr);
  if (owned) cairo_surface_destroy(s);
}

}  // namespace ui::gtk
