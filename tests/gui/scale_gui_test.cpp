// The window at GDK_SCALE=2: GTK's scale is chosen when the display opens, so the test runs this
// binary again with the variable set, and that run shows the wizard and measures it.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <string>

#include "app/SignApp.h"
#include "gui_environment.h"
#include "support/child_process.h"
#include "support/shell_wizard.h"
#include "support/test_support.h"
#include "ui/gtk/gtk_backend.h"

namespace {

constexpr const char* kChildVariable = "SIGNUP_GUI_SCALE_CHILD";

// In the run with GDK_SCALE=2: the page area keeps its 448 x 310 units and the window is drawn
// with two device pixels to each of them.
TEST(ScaleGuiTest, AtScaleTwoThePageAreaKeepsItsSizeInTwiceThePixels) {
  if (std::getenv(kChildVariable) == nullptr) {
    test::ChildOptions options;
    options.env["GDK_SCALE"] = "2";
    options.env[kChildVariable] = "1";
    // The dialogs' captions are measured again at this scale.
    const test::ProgramResult r = test::RunProgram(
        {"/proc/self/exe",
         "--gtest_filter=ScaleGuiTest.AtScaleTwo*:DialogsGuiTest.EveryStaticCaptionFits*"},
        options);
    EXPECT_EQ(r.exit, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("[  PASSED  ] 2 tests"), std::string::npos) << r.out;
    return;
  }
  if (gui::Backend() == nullptr) GTEST_SKIP() << "no display: " << gui::Unavailable();
  test::TempDir dir;
  test::ScopedEnv registry("SIGNUP_REGISTRY", dir.File("registry.db"));
  CSignApp app;
  app.SelectProfile("");
  app.SetDialogBkColor(RGB(85, 159, 255), RGB(255, 255, 255));
  test::ShellWizard wizard;
  app.sheet = &wizard;
  app.mainWindow = &wizard;
  wizard.AddWizardPages();
  gui::Backend()->Post([&] {
    [&] {
      GtkWidget* top = ui::gtk::WidgetOf(wizard);
      ASSERT_TRUE(gui::WaitForDrawn(top));
      GdkWindow* window = gtk_widget_get_window(top);
      EXPECT_EQ(gdk_window_get_scale_factor(window), 2) << "GDK_SCALE=2 took effect";
      const ui::Rect area =
          gui::AllocationIn(ui::gtk::WidgetOf(*wizard.GetActivePage()), ui::gtk::ClientOf(wizard));
      EXPECT_EQ(area.Width(), 448) << "the page area in window units";
      EXPECT_EQ(area.Height(), 310);
      GdkPixbuf* shot = gdk_pixbuf_get_from_window(window, 0, 0, gdk_window_get_width(window),
                                                   gdk_window_get_height(window));
      ASSERT_NE(shot, nullptr);
      EXPECT_GE(gdk_pixbuf_get_width(shot), 2 * 448) << "drawn in twice the pixels";
      EXPECT_GE(gdk_pixbuf_get_height(shot), 2 * 310);
      g_object_unref(shot);
      EXPECT_TRUE(gui::SaveScreenshot(top, "wizard-scale2"));
    }();
    wizard.EndDialog(ui::IDCANCEL);
  });
  wizard.DoModal();
  app.sheet = nullptr;
  app.mainWindow = nullptr;
}

}  // namespace
