// The GTK 3 backend of the framework: the factory main() calls, and the widget look-ups the GUI
// tests use to measure what is on the screen.
#pragma once

#include <memory>

#include "ui/backend.h"

typedef struct _GtkWidget GtkWidget;

namespace ui {

// Opens the default display and returns the backend, or null when no display can be opened.
// Called once by main() (and by the GUI tests) before any window is made; the backend must be
// destroyed before the display goes away.
std::unique_ptr<Backend> CreateGtkBackend(int* argc, char*** argv);

namespace gtk {

// The widget that stands for `window` in its parent (a control's outer widget, a page's
// container) or, for a sheet or modal dialog, its GtkWindow; null when it has no native side.
GtkWidget* WidgetOf(const Window& window);
// The container that holds a sheet's, dialog's or page's children (its client area); null else.
GtkWidget* ClientOf(const Window& window);
// The widget that takes input for a control (the entry inside an editable combo, the text view
// inside its scrolled window, the button itself); null when it has no native side.
GtkWidget* InputWidgetOf(const Window& window);

}  // namespace gtk
}  // namespace ui
