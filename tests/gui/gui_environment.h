// The private display and GTK backend shared by every GUI test of this binary, with helpers to
// wait for what GTK does asynchronously, find widgets and save screenshots.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui/backend.h"
#include "ui/framework.h"

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

// Where a control is to be drawn, in pixels of its dialog's (or page's) client area.
struct Placement {
  int id;
  int x, y, w, h;
};
// Each control of the table is shown and drawn at its rectangle; rows that share an id (statics)
// name that id's controls in template order. A combo box may be less tall: the height a template
// gives it includes the dropped-down list.
void ExpectControlsAt(const ui::Dialog& dialog, const std::vector<Placement>& table);
// Every visible control of the dialog at the rectangle its template gives it.
std::vector<Placement> TemplatePlacements(const ui::Dialog& dialog);
// Every control has a widget, shown and sensitive exactly when the model says so.
void ExpectWidgetsFollowTheModel(const ui::Dialog& dialog);
// Every control's widget tells ATK a non-empty name, the control's accessible name, and its
// description.
void ExpectAccessibleNames(const ui::Dialog& dialog);

// Sends a key press and its release to a top-level window, as the keyboard would, and handles
// them (what they start may still be running: wait for its outcome).
void PressKey(GtkWidget* toplevel, guint keyval, GdkModifierType modifiers = GdkModifierType(0));
// The control among `controls` whose widget has the keyboard focus of `toplevel`, or null.
ui::Control* FocusedAmong(GtkWidget* toplevel, const std::vector<ui::Control*>& controls);
// Presses `keyval` `times` times and lists the id of the control that has the focus after each.
std::vector<int> FocusTrail(GtkWidget* toplevel, const std::vector<ui::Control*>& controls,
                            guint keyval, GdkModifierType modifiers, size_t times);

// A GDK window and every window inside it, parents first.
std::vector<GdkWindow*> WindowsInside(GdkWindow* window);

// A dialog that counts the notifications it receives.
class CountingDialog : public ui::Dialog {
 public:
  using Dialog::Dialog;
  bool OnCommand(UINT code, int id) override {
    notifications.emplace_back(code, id);
    return Dialog::OnCommand(code, id);
  }
  int Count(UINT code, int id) const {
    int n = 0;
    for (const auto& [c, i] : notifications) n += (c == code && i == id);
    return n;
  }
  std::vector<std::pair<UINT, int>> notifications;
};

// With the focus on the first control of `order`, Tab visits the others in turn and comes back
// to it; Shift+Tab goes the other way round.
void ExpectTabCycle(GtkWidget* toplevel, const std::vector<ui::Control*>& controls,
                    const std::vector<int>& order);

// The visible message box (a GtkDialog that is not one of the framework's windows) with that
// title, or null.
GtkWidget* FindMessageBox(const std::string& titleUtf8);

}  // namespace gui
