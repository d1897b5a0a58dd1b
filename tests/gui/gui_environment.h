// The private display and GTK backend shared by every GUI test of this binary, with helpers to
// wait for what GTK does asynchronously, find widgets and save screenshots.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

#include "ui/backend.h"

namespace gui {

// The GTK backend on a private Xvfb display, installed as the framework's backend for the whole
// run; null when no display could be started (the test should skip with Unavailable()).
ui::Backend* Backend();
std::string Unavailable();

// Handles events until `done` holds; false when it still does not after a generous limit
// (the limit only keeps a broken test from hanging; nothing waits for it to pass).
bool WaitUntil(const std::function<bool()>& done);
// Waits until `toplevel` is mapped and has drawn itself completely on the display.
bool WaitForDrawn(GtkWidget* toplevel);

// Saves a picture of a top-level window as build/test-screenshots/<name>.png; false on failure.
bool SaveScreenshot(GtkWidget* toplevel, const std::string& name);
// Colour 0x00RRGGBB of a top-level window's pixel on the display; -1 when it cannot be read.
long PixelAt(GtkWidget* toplevel, int x, int y);

// Where a widget is drawn, in the coordinates of `container`.
ui::Rect AllocationIn(GtkWidget* widget, GtkWidget* container);
// "(left,top)-(right,bottom)" for assertion messages.
std::string Describe(const ui::Rect& r);

// The visible message box (a GtkDialog that is not one of the framework's windows) with that
// title, or null.
GtkWidget* FindMessageBox(const std::string& titleUtf8);

}  // namespace gui
