// The real wizard sheet in the GTK window: its page area keeps the 448 x 310 size of the page
// pictures on every page, going forward with Next and back with Back.
#include <gtest/gtest.h>

#include <set>

#include "app/SignApp.h"
#include "gui_environment.h"
#include "pages/SignPages.h"
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
    EXPECT_EQ(rect, wizard.pageRect()) << "page " << index << " sits in the page area";
  }
  EXPECT_EQ(pages.size(), 7u) << "all seven pages were shown";
}

}  // namespace
