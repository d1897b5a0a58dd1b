// The real wizard sheet in the GTK window: its page area keeps the 448 x 310 size of the page
// pictures on every page, going forward with Next and back with Back; a second start brings it
// forward.
#include <gtest/gtest.h>

#include <set>

#include "app/SignApp.h"
#include "app/SignPresenceWnd.h"
#include "gui_environment.h"
#include "pages/SignPages.h"
#include "platform/system.h"
#include "support/child_process.h"
#include "support/shell_wizard.h"
#include "support/test_support.h"
#include "ui/gtk/gtk_backend.h"

namespace {

using ui::gtk::ClientOf;
using ui::gtk::WidgetOf;

ui::Rect ShownRect(const ui::Window& page, const ui::Window& sheet) {
  return gui::AllocationIn(WidgetOf(page), ClientOf(sheet));
}

TEST(WizardGuiTest, PageAreaIs448By310OnEveryPageAfterNextAndBack) {
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

  std::vector<std::pair<int, ui::Rect>> seen;  // active page index, its shown rectangle
  auto press = [&](int id) {
    gtk_button_clicked(GTK_BUTTON(WidgetOf(*wizard.GetDlgItem(id))));
    EXPECT_TRUE(gui::WaitForDrawn(WidgetOf(wizard)));
    seen.emplace_back(wizard.GetActiveIndex(), ShownRect(*wizard.GetActivePage(), wizard));
  };
  gui::Backend()->Post([&] {
    EXPECT_TRUE(gui::WaitForDrawn(WidgetOf(wizard)));
    seen.emplace_back(wizard.GetActiveIndex(), ShownRect(*wizard.GetActivePage(), wizard));
    for (int i = 0; i < 6; ++i) press(ui::ID_WIZNEXT);
    EXPECT_TRUE(gui::SaveScreenshot(WidgetOf(wizard), "wizard-last-page"));
    for (int i = 0; i < 3; ++i) press(ui::ID_WIZBACK);
    press(ui::ID_WIZNEXT);
    EXPECT_TRUE(gui::SaveScreenshot(WidgetOf(wizard), "wizard-after-back-and-next"));
    gtk_button_clicked(GTK_BUTTON(WidgetOf(*wizard.GetDlgItem(ui::IDCANCEL))));
  });
  EXPECT_EQ(wizard.DoModal(), ui::IDCANCEL);
  app.sheet = nullptr;
  app.mainWindow = nullptr;

  ASSERT_EQ(seen.size(), 11u);
  std::set<int> pages;
  for (const auto& [index, rect] : seen) {
    pages.insert(index);
    EXPECT_EQ(rect.Width(), 448) << "page " << index;
    EXPECT_EQ(rect.Height(), 310) << "page " << index;
    EXPECT_EQ(rect, wizard.GetPageRect()) << "page " << index << " sits in the page area";
  }
  EXPECT_EQ(pages.size(), 7u) << "all seven pages were shown";
}

// The first copy is this test: the single-instance marker, the presence window and the wizard,
// minimised. The second start restores it as the window manager's active window and ends at once.
TEST(WizardGuiTest, ASecondStartBringsTheMinimisedWizardForwardAndEndsSilently) {
  if (gui::Backend() == nullptr) GTEST_SKIP() << "no display: " << gui::Unavailable();
  test::TempDir dir;
  test::ScopedEnv registry("SIGNUP_REGISTRY", dir.File("registry.db"));
  test::ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path());
  HANDLE first = CreateMutexA(nullptr, FALSE, "PARLANZA_SIGNUP_RUNNING");
  CSignPresenceWnd presence;
  ASSERT_TRUE(presence.Create());
  CSignApp app;
  test::ShellWizard wizard;
  app.sheet = &wizard;
  wizard.AddWizardPages();
  gui::Backend()->Post([&] {
    GdkWindow* top = gtk_widget_get_window(WidgetOf(wizard));
    auto active = [&] {
      G_GNUC_BEGIN_IGNORE_DEPRECATIONS
      GdkWindow* a = gdk_screen_get_active_window(gdk_screen_get_default());
      G_GNUC_END_IGNORE_DEPRECATIONS
      if (a != nullptr) g_object_unref(a);
      return a == top && !(gdk_window_get_state(top) & GDK_WINDOW_STATE_ICONIFIED);
    };
    EXPECT_TRUE(gui::WaitForDrawn(WidgetOf(wizard)) && gui::WaitUntil(active));
    gtk_window_iconify(GTK_WINDOW(WidgetOf(wizard)));
    EXPECT_TRUE(gui::WaitUntil([&] { return !active(); })) << "minimised";
    const test::ProgramResult second = test::RunProgram({SIGNUP_BIN_DIR "/signup"});
    EXPECT_EQ(second.exit, 0);
    EXPECT_EQ(second.out + second.err, "") << "the second copy says nothing";
    EXPECT_TRUE(gui::WaitUntil(active)) << "the wizard is restored and active";
    wizard.EndDialog(ui::IDCANCEL);
  });
  wizard.DoModal();
  app.sheet = nullptr;
  CloseHandle(first);
}

}  // namespace
