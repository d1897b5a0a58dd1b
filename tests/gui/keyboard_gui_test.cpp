// The keyboard in the GTK window, on the wizard's page templates and the settings dialogs: Tab
// in template order with the sheet's buttons last, the arrows inside a radio group, Alt with a
// caption's "&" letter, a focus ring that shows on every control, and sheet button captions that
// fit their buttons.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "app/SignApp.h"
#include "gui_environment.h"
#include "res/resources.h"
#include "support/shell_wizard.h"
#include "support/test_support.h"
#include "ui/gtk/gtk_backend.h"

namespace {

using ui::gtk::WidgetOf;

constexpr int kBack = ui::ID_WIZBACK, kNext = ui::ID_WIZNEXT, kFinish = ui::ID_WIZFINISH,
              kCancel = ui::IDCANCEL;

// The wizard with the pages' templates and pictures but none of their behaviour, in the
// program's colours.
class KeyboardGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (gui::Backend() == nullptr) GTEST_SKIP() << "no display: " << gui::Unavailable();
    app.SelectProfile("");
    app.SetDialogBkColor(RGB(85, 159, 255), RGB(255, 255, 255));
    app.sheet = &wizard;
    app.mainWindow = &wizard;
    wizard.AddWizardPages();
  }
  void TearDown() override {
    app.sheet = nullptr;
    app.mainWindow = nullptr;
  }
  // Runs the wizard; once it is on the screen, runs `body` and cancels.
  void WithWizard(const std::function<void()>& body) {
    gui::Backend()->Post([&] {
      [&] {
        ASSERT_TRUE(gui::WaitForDrawn(WidgetOf(wizard))) << "the wizard is drawn";
        body();
      }();
      wizard.EndDialog(ui::IDCANCEL);
    });
    wizard.DoModal();
  }
  // The active page's controls and the sheet's buttons.
  std::vector<ui::Control*> Focusable() const {
    std::vector<ui::Control*> all = wizard.GetActivePage()->Controls();
    for (int id : {kBack, kNext, kFinish, kCancel}) all.push_back(wizard.GetDlgItem(id));
    return all;
  }
  GtkWidget* Top() const { return WidgetOf(wizard); }

  test::TempDir dir;
  test::ScopedEnv registry{"SIGNUP_REGISTRY", dir.File("registry.db")};
  CSignApp app;
  test::ShellWizard wizard;
};

TEST_F(KeyboardGuiTest, TabVisitsThePageTabStopsInTemplateOrderThenTheSheetButtons) {
  const std::vector<std::vector<int>> orders = {
      {IDC_MODE_NEW, IDC_CONNECTION_LIST, IDC_TONE, IDC_PULSE, IDC_DETAILS, kBack, kNext, kCancel},
      {IDC_TERMS_TEXT, kBack, kNext, kCancel},
      {IDC_KANA,      IDC_KANA2,      IDC_SEX,  IDC_NAME,   IDC_NAME2,    IDC_AGE,
       IDC_AGE2,      IDC_AGE3,       IDC_ZIP,  IDC_ZIP2,   IDC_ADDRESS1, IDC_ADDRESS2,
       IDC_TEL,       IDC_TEL2,       IDC_TEL3, IDC_MEKOID, IDC_MEKOID2,  IDC_MEKOID3,
       IDC_ENTRYCODE, IDC_ENTRYCODE2, kBack,    kNext,      kCancel},
      {IDC_CONFIRM_SUMMARY, kBack, kNext, kCancel},
      {IDC_LOGIN_ID, IDC_LOGIN_PASSWORD, IDC_COMM_NAME, kBack, kNext, kCancel},
      {IDC_COMM_SUMMARY, kBack, kNext, kCancel},
      {IDC_NETWORK_SUMMARY, kBack, kNext, kCancel},
  };
  WithWizard([&] {
    for (int index = 0; index < CSignStart::kPageCount; ++index) {
      SCOPED_TRACE("page " + std::to_string(index));
      ASSERT_TRUE(wizard.SetActivePage(index));
      ASSERT_TRUE(gui::WaitForDrawn(Top()));
      const std::vector<int>& order = orders[static_cast<size_t>(index)];
      wizard.GetActivePage()->GetDlgItem(order.front())->SetFocus();
      gui::ExpectTabCycle(Top(), Focusable(), order);
    }
    // The last page: Tab skips a hidden Next and a disabled Back and lands on Finish.
    wizard.SetWizardButtons(ui::PSWIZB_FINISH);
    gui::ExpectTabCycle(Top(), Focusable(), {IDC_NETWORK_SUMMARY, kFinish, kCancel});
  });
}

TEST_F(KeyboardGuiTest, ArrowsChooseInsideTheRadioGroupAndTabLandsOnTheChosenButton) {
  WithWizard([&] {
    ui::PropertyPage* start = wizard.GetActivePage();
    start->CheckDlgButton(IDC_MODE_NEW, 1);
    start->GetDlgItem(IDC_MODE_NEW)->SetFocus();
    EXPECT_EQ(gui::FocusTrail(Top(), Focusable(), GDK_KEY_Down, GdkModifierType(0), 3),
              (std::vector<int>{IDC_MODE_EXISTING, IDC_MODE_RECOVERY, IDC_MODE_NEW}))
        << "Down wraps inside the group of three";
    EXPECT_EQ(gui::FocusTrail(Top(), Focusable(), GDK_KEY_Up, GdkModifierType(0), 1),
              std::vector<int>{IDC_MODE_RECOVERY});
    EXPECT_EQ(start->IsDlgButtonChecked(IDC_MODE_RECOVERY), 1) << "an arrow chooses the button";
    EXPECT_EQ(start->IsDlgButtonChecked(IDC_MODE_NEW), 0) << "and clears the one chosen before";
    EXPECT_EQ(gui::FocusTrail(Top(), Focusable(), GDK_KEY_Tab, GdkModifierType(0), 1),
              std::vector<int>{IDC_CONNECTION_LIST});
    EXPECT_EQ(gui::FocusTrail(Top(), Focusable(), GDK_KEY_ISO_Left_Tab, GDK_SHIFT_MASK, 1),
              std::vector<int>{IDC_MODE_RECOVERY})
        << "back into the group on the chosen button";
    start->GetDlgItem(IDC_MODE_EXISTING)->EnableWindow(false);
    EXPECT_EQ(gui::FocusTrail(Top(), Focusable(), GDK_KEY_Down, GdkModifierType(0), 1),
              std::vector<int>{IDC_MODE_NEW})
        << "a disabled button is passed over";
  });
}

TEST_F(KeyboardGuiTest, AltWithTheMarkedLetterPressesTheSheetButton) {
  WithWizard([&] {
    gui::PressKey(Top(), GDK_KEY_n, GDK_MOD1_MASK);
    EXPECT_TRUE(gui::WaitUntil([&] { return wizard.GetActiveIndex() == 1; }))
        << "Alt+N is Next \"次へ(&N) >\"";
    gui::PressKey(Top(), GDK_KEY_b, GDK_MOD1_MASK);
    EXPECT_TRUE(gui::WaitUntil([&] { return wizard.GetActiveIndex() == 0; }))
        << "Alt+B is Back \"< 戻る(&B)\"";
    wizard.SetAgreeButtons();
    gui::PressKey(Top(), GDK_KEY_a, GDK_MOD1_MASK);
    EXPECT_TRUE(gui::WaitUntil([&] { return wizard.GetActiveIndex() == 1; }))
        << "the letter follows the caption: Alt+A is \"同意する(&A)\"";
  });
}

TEST_F(KeyboardGuiTest, EveryCaptionOfTheSheetButtonsFitsWhole) {
  std::vector<std::string> captions;
  for (UINT id : {IDS_BUTTON_AGREE, IDS_BUTTON_BACK, IDS_BUTTON_DISAGREE, IDS_BUTTON_NEXT,
                  IDS_BUTTON_YES, IDS_BUTTON_NO})
    captions.push_back(res::String(id));
  WithWizard([&] {
    captions.push_back(wizard.GetDlgItem(kFinish)->GetWindowText());
    captions.push_back(wizard.GetDlgItem(kCancel)->GetWindowText());
    wizard.GetDlgItem(kFinish)->ShowWindow(true);
    for (int id : {kBack, kNext, kFinish, kCancel}) {
      ui::Control* button = wizard.GetDlgItem(id);
      GtkWidget* label = gtk_bin_get_child(GTK_BIN(WidgetOf(*button)));
      for (const std::string& caption : captions) {
        button->SetWindowText(caption);
        ASSERT_TRUE(gui::WaitForDrawn(Top()));
        const std::string shown = test::Utf8(caption) + " on button " + std::to_string(id);
        PangoLayout* layout = gtk_label_get_layout(GTK_LABEL(label));
        EXPECT_FALSE(pango_layout_is_ellipsized(layout)) << shown << " is cut with an ellipsis";
        int width = 0;
        pango_layout_get_pixel_size(layout, &width, nullptr);
        const ui::Rect inside = gui::AllocationIn(label, WidgetOf(*button));
        EXPECT_GE(inside.Width(), width) << shown << " is wider than its label";
        EXPECT_GE(inside.left, 0) << shown;
        EXPECT_LE(inside.right, button->GetWindowRect().Width()) << shown;
      }
    }
  });
}

// Luminance 0..1 of a pixel of a picture.
double Luminance(const guchar* p) { return (0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]) / 255; }

// How much a part of the window changed between two pictures of it: the pixels that differ, and
// the largest change of brightness among them.
struct Change {
  int pixels = 0;
  double contrast = 0;
};
Change Compare(GdkPixbuf* before, GdkPixbuf* after, const ui::Rect& area) {
  Change change;
  const int stride = gdk_pixbuf_get_rowstride(before);
  const int channels = gdk_pixbuf_get_n_channels(before);
  const int width = gdk_pixbuf_get_width(before), height = gdk_pixbuf_get_height(before);
  for (int y = std::max(area.top, 0); y < std::min(area.bottom, height); ++y) {
    for (int x = std::max(area.left, 0); x < std::min(area.right, width); ++x) {
      const guchar* a = gdk_pixbuf_get_pixels(before) + y * stride + x * channels;
      const guchar* b = gdk_pixbuf_get_pixels(after) + y * stride + x * channels;
      if (a[0] == b[0] && a[1] == b[1] && a[2] == b[2]) continue;
      ++change.pixels;
      change.contrast = std::max(change.contrast, std::abs(Luminance(a) - Luminance(b)));
    }
  }
  return change;
}

GdkPixbuf* Picture(GtkWidget* top) {
  GdkWindow* window = gtk_widget_get_window(top);
  return gdk_pixbuf_get_from_window(window, 0, 0, gdk_window_get_width(window),
                                    gdk_window_get_height(window));
}

// Tabs `stops` times; each control that gets the focus must change visibly where it is drawn,
// in a colour that stands out. Saves a picture of the window when `shown` has the focus.
void ExpectVisibleFocus(GtkWidget* top, const std::vector<ui::Control*>& controls, size_t stops,
                        int shown, const std::string& shot) {
  for (size_t i = 0; i < stops; ++i) {
    ASSERT_TRUE(gui::WaitForDrawn(top));
    GdkPixbuf* before = Picture(top);
    gui::PressKey(top, GDK_KEY_Tab);
    ASSERT_TRUE(gui::WaitForDrawn(top));
    GdkPixbuf* after = Picture(top);
    const ui::Control* focused = gui::FocusedAmong(top, controls);
    if (focused != nullptr) {
      const ui::Rect r = gui::AllocationIn(WidgetOf(*focused), top);
      const Change change =
          Compare(before, after, {r.left - 2, r.top - 2, r.right + 2, r.bottom + 2});
      const int id = focused->GetDlgCtrlID();
      EXPECT_GE(change.pixels, 10) << "control " << id << " shows that it has the focus";
      EXPECT_GE(change.contrast, 0.3)
          << "control " << id << " shows it in a colour that stands out";
      if (id == shown) {
        EXPECT_TRUE(gui::SaveScreenshot(top, shot));
      }
    }
    g_object_unref(before);
    g_object_unref(after);
    ASSERT_NE(focused, nullptr) << "Tab reaches a control";
  }
}

TEST_F(KeyboardGuiTest, EveryControlShowsWhenItHasTheFocus) {
  WithWizard([&] {
    for (auto [index, stops, shown] : {std::tuple{0, 8, IDC_TONE}, std::tuple{1, 4, IDC_TERMS_TEXT},
                                       std::tuple{2, 23, IDC_SEX}}) {
      SCOPED_TRACE("page " + std::to_string(index));
      ASSERT_TRUE(wizard.SetActivePage(index));
      ExpectVisibleFocus(Top(), Focusable(), static_cast<size_t>(stops), shown,
                         "focus-page" + std::to_string(index + 1));
    }
  });
  // A plain struct rather than structured bindings: lambdas cannot capture those before clang 16.
  const struct {
    int id, stops, shown;
  } kDialogs[] = {{IDD_DIALUP_DETAILS, 8, IDC_DETAILS_PULSE}, {IDD_LAN_DETAILS, 10, IDC_LAN_PROXY}};
  for (const auto& d : kDialogs) {
    SCOPED_TRACE("dialog " + std::to_string(d.id));
    ui::Dialog dialog(d.id);
    gui::Backend()->Post([&] {
      [&] {
        ASSERT_TRUE(gui::WaitForDrawn(WidgetOf(dialog)));
        ExpectVisibleFocus(WidgetOf(dialog), dialog.Controls(), static_cast<size_t>(d.stops),
                           d.shown, "focus-dialog" + std::to_string(d.id));
      }();
      dialog.EndDialog(ui::IDCANCEL);
    });
    dialog.DoModal();
  }
}

// Down on the month and day lists moves on from the item the box shows, whether the program put
// the text there or the person typed it, from the very first press.
TEST_F(KeyboardGuiTest, DownOnTheMonthAndDayListsMovesOnFromTheShownItemAtOnce) {
  const struct {
    int id;
    const char* shown;
    bool typed;
    const char* afterDown;
  } kCases[] = {{IDC_AGE2, "1", false, "2"},
                {IDC_AGE2, "4", false, "5"},
                {IDC_AGE2, "7", true, "8"},
                {IDC_AGE3, "30", true, "31"},
                {IDC_AGE3, "", false, "1"}};
  WithWizard([&] {
    ASSERT_TRUE(wizard.SetActivePage(2));
    for (const auto& c : kCases) {
      SCOPED_TRACE(std::to_string(c.id) + " showing \"" + c.shown + "\"");
      ui::Control* list = wizard.GetActivePage()->GetDlgItem(c.id);
      GtkWidget* entry = ui::gtk::InputWidgetOf(*list);
      if (c.typed) {
        list->SetWindowText("");
        gtk_entry_set_text(GTK_ENTRY(entry), c.shown);
      } else {
        list->SetWindowText(c.shown);
      }
      list->SetFocus();
      ASSERT_TRUE(gui::WaitForDrawn(Top()));
      gui::PressKey(Top(), GDK_KEY_Down);
      EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(entry)), c.afterDown) << "on the screen";
      EXPECT_EQ(list->GetWindowText(), c.afterDown) << "in the program";
    }
  });
}

}  // namespace
