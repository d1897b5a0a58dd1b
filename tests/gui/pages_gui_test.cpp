// The seven real wizard pages in the GTK window with a filled-in signup: every control at the
// pixel rectangle of the page layout, none over the lettering of its picture, every control named
// for screen readers, and a screenshot of each page; the completion page offers only Finish; the
// terms download under the wait cursor.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/SignApp.h"
#include "gui_environment.h"
#include "pages/SignPages.h"
#include "res/page_art.h"
#include "support/provider_fixture.h"
#include "support/test_support.h"
#include "ui/gtk/gtk_backend.h"

namespace {

using test::Sjis;
using ui::gtk::ClientOf;
using ui::gtk::WidgetOf;

// Where the page layout puts the page's controls.
std::vector<gui::Placement> LayoutPlacements(int templateId) {
  std::vector<gui::Placement> table;
  const res::PageLayout* layout = res::FindPageLayout(templateId);
  if (layout == nullptr) return table;
  for (const res::PixelRect& c : layout->controls) table.push_back({c.id, c.x, c.y, c.w, c.h});
  return table;
}

// No shown control's widget lies over a pixel of its page picture's lettering.
void ExpectNoControlOverLettering(const ui::PropertyPage& page, const res::Bitmap& picture) {
  for (const ui::Control* c : page.Controls()) {
    GtkWidget* w = WidgetOf(*c);
    if (w == nullptr || !gtk_widget_get_visible(w)) continue;
    const ui::Rect r = gui::AllocationIn(w, ClientOf(page));
    int covered = 0, firstX = -1, firstY = -1;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) {
        if (!res::IsLettering(picture, x, y)) continue;
        if (covered++ == 0) firstX = x, firstY = y;
      }
    }
    EXPECT_EQ(covered, 0) << "control " << c->GetDlgCtrlID() << " at " << gui::Describe(r)
                          << " covers lettering, first at " << firstX << "," << firstY;
  }
}

// The lettering shows on the screen: the brightest lettering pixel outside every control is
// drawn in its picture colour.
void ExpectLetteringOnScreen(const ui::PropertyPage& page, const res::Bitmap& picture,
                             GtkWidget* top) {
  for (int y = res::kBandHeight; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const uint8_t index = picture.pixels[static_cast<size_t>(y) * picture.width + x];
      if (index < res::kLetteringFirstIndex || picture.palette[index] != 0xFFFFFF) continue;
      int wx = 0, wy = 0;
      gtk_widget_translate_coordinates(ClientOf(page), top, x, y, &wx, &wy);
      EXPECT_EQ(gui::PixelAt(top, wx, wy), 0xFFFFFF) << "lettering shown at " << x << "," << y;
      return;
    }
  }
}

// In every multi-line box of the page, the text after each tab starts at a tab stop of the
// Windows edit control: a multiple of 32 dialog units (48 pixels) from the text's left edge.
void ExpectTabStopsEvery32DialogUnits(const ui::PropertyPage& page) {
  const int every = ui::DialogUnitsToPixels(0, 0, 32, 0).Width();
  for (const ui::Control* c : page.Controls()) {
    GtkWidget* view = ui::gtk::InputWidgetOf(*c);
    if (!GTK_IS_TEXT_VIEW(view)) continue;
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(view));
    const int margin = gtk_text_view_get_left_margin(GTK_TEXT_VIEW(view));
    GtkTextIter it;
    gtk_text_buffer_get_start_iter(buffer, &it);
    for (; !gtk_text_iter_is_end(&it); gtk_text_iter_forward_char(&it)) {
      if (gtk_text_iter_get_char(&it) != '\t') continue;
      GtkTextIter after = it;
      gtk_text_iter_forward_char(&after);
      GdkRectangle at;
      gtk_text_view_get_iter_location(GTK_TEXT_VIEW(view), &after, &at);
      EXPECT_EQ((at.x - margin) % every, 0)
          << "control " << c->GetDlgCtrlID() << ", line " << gtk_text_iter_get_line(&it)
          << ": the text after a tab starts at " << at.x - margin;
    }
  }
}

// The accessibles ATK was told became showing, in order (ATK's listeners take no data).
std::vector<AtkObject*> g_shown;
gboolean RecordShowing(GSignalInvocationHint*, guint count, const GValue* values, gpointer) {
  if (count >= 3 && std::string(g_value_get_string(&values[1])) == "showing" &&
      g_value_get_boolean(&values[2]))
    g_shown.push_back(ATK_OBJECT(g_value_get_object(&values[0])));
  return TRUE;
}

// The page tells ATK its title, from the page layout table, as a panel's name, and its
// activation was announced as that panel showing.
void ExpectAnnouncedByTitle(const ui::PropertyPage& page, const std::vector<AtkObject*>& shown) {
  AtkObject* accessible = gtk_widget_get_accessible(ClientOf(page));
  ASSERT_NE(accessible, nullptr);
  const res::PagePicture* picture =
      res::FindPagePicture(res::FindPageLayout(page.template_id())->bitmap);
  EXPECT_STREQ(atk_object_get_name(accessible), picture->heading) << "the page's name";
  EXPECT_EQ(atk_object_get_role(accessible), ATK_ROLE_PANEL);
  EXPECT_NE(std::find(shown.begin(), shown.end(), accessible), shown.end())
      << "the page's showing was announced";
}

// A signup as a person would have filled it in, and what the provider sent back.
void FillSignup(CSignApp& app) {
  app.Kana = Sjis("ヤマダ");
  app.Kana2 = Sjis("タロウ");
  app.Name = Sjis("山田");
  app.Name2 = Sjis("太郎");
  app.Age = "1980";
  app.Age2 = "4";
  app.Age3 = "1";
  app.Sex = "male";
  app.Zip = "100";
  app.Zip2 = "0001";
  app.Address1 = Sjis("東京都千代田区千代田1-1");
  app.Address2 = Sjis("サンプルマンション101");
  app.Tel = "03";
  app.Tel2 = "1234";
  app.Tel3 = "5678";
  app.MekoID = "taro1980";
  app.MekoID2 = "yamada80";
  app.MekoID3 = "tyamada1";
  app.EntryCode = "12";
  app.EntryCode2 = "345";
  app.LoginID = "taro1980";
  app.LoginPasswd = "pass1234";
  app.Comm_name = Sjis("たろう");
  app.Comm_id = "C0012345";
  app.PrimaryDNS = "192.0.2.1";
  app.SecondaryDNS = "192.0.2.2";
  app.PhoneNumber = "0120-111-111";
  app.E_mail = "taro1980@mail.example.com";
  app.Pop_id = "taro1980";
  app.Pop_host = "pop.mail.example.com";
  app.Smtp_host = "smtp.mail.example.com";
}

class PagesGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (gui::Backend() == nullptr) GTEST_SKIP() << "no display: " << gui::Unavailable();
    app.SelectProfile("");
    app.SetDialogBkColor(RGB(85, 159, 255), RGB(255, 255, 255));
    app.ApplyConnectionConfig("Lan", "tcp", false, "", "", "", "");
    FillSignup(app);
    app.sheet = &wizard;
    app.mainWindow = &wizard;
    wizard.CopyUserInfoToPages();
    wizard.AddWizardPages();
  }
  void TearDown() override {
    app.sheet = nullptr;
    app.mainWindow = nullptr;
  }

  test::TempDir dir;
  test::ScopedEnv registry{"SIGNUP_REGISTRY", dir.File("registry.db")};
  CSignApp app;
  CSignWizard wizard{false, nullptr};
};

TEST_F(PagesGuiTest, EveryPageShowsItsControlsAtTheLayoutOverFreePartsOfItsPicture) {
  const guint listener = atk_add_global_event_listener(RecordShowing, "ATK:AtkObject:state-change");
  gui::Backend()->Post([&] {
    for (int index = 0; index < 7; ++index) {
      [&] {
        SCOPED_TRACE("page " + std::to_string(index));
        g_shown.clear();
        ASSERT_TRUE(wizard.SetActivePage(index));
        auto* page = dynamic_cast<CSignPage*>(wizard.GetActivePage());
        ASSERT_NE(page, nullptr);
        if (page == &wizard.page2) {
          // The terms as the download leaves them, without a server.
          wizard.page2.KillTimer(51);
          std::string terms;
          for (int i = 1; i <= 30; ++i)
            terms += Sjis("第" + std::to_string(i) + "条　ORVELネットワークの利用について\r\n");
          page->SetDlgItemText(IDC_TERMS_TEXT, terms);
          page->SetDlgItemText(IDC_TERMS_STATUS, res::String(IDS_TERMS_QUESTION));
          wizard.SetAgreeButtons();
        }
        GtkWidget* top = WidgetOf(wizard);
        if (index == 6) {
          ui::Control* finish = wizard.GetDlgItem(ui::ID_WIZFINISH);
          ASSERT_TRUE(gui::WaitUntil([&] { return gtk_widget_get_visible(WidgetOf(*finish)); }))
              << "the completion page offers Finish";
          EXPECT_FALSE(gtk_widget_get_visible(WidgetOf(*wizard.GetDlgItem(ui::IDCANCEL))))
              << "and no Cancel";
          EXPECT_FALSE(gtk_widget_get_visible(WidgetOf(*wizard.GetDlgItem(ui::ID_WIZNEXT))));
          EXPECT_FALSE(gtk_widget_get_sensitive(WidgetOf(*wizard.GetDlgItem(ui::ID_WIZBACK))))
              << "and no way back";
        }
        ASSERT_TRUE(gui::WaitForDrawn(top));
        EXPECT_TRUE(gui::SaveScreenshot(
            top, "page" + std::to_string(index + 1) + "-" + std::to_string(page->template_id())));
        EXPECT_EQ(gui::AllocationIn(ClientOf(*page), ClientOf(wizard)), wizard.pageRect())
            << "the page fills the page area";
        gui::ExpectControlsAt(*page, LayoutPlacements(page->template_id()));
        ExpectNoControlOverLettering(*page, page->bitmap.data());
        ExpectLetteringOnScreen(*page, page->bitmap.data(), top);
        gui::ExpectAccessibleNames(*page);
        ExpectAnnouncedByTitle(*page, g_shown);
        ExpectTabStopsEvery32DialogUnits(*page);
      }();
    }
    wizard.EndDialog(ui::IDCANCEL);
  });
  wizard.DoModal();
  atk_remove_global_event_listener(listener);
}

// Counts the times the terms box shows new text, and how many of them had the wait cursor over
// every window of the wizard, the terms box's own included.
struct TermsWatch {
  GtkWidget* top = nullptr;
  int shown = 0;
  int underWait = 0;
};

void OnTermsShown(GtkTextBuffer*, gpointer data) {
  auto* watch = static_cast<TermsWatch*>(data);
  ++watch->shown;
  const std::vector<GdkWindow*> windows = gui::WindowsInside(gtk_widget_get_window(watch->top));
  GdkCursor* wait = gdk_window_get_cursor(windows.front());
  bool covered = wait != nullptr;
  for (GdkWindow* w : windows) covered = covered && gdk_window_get_cursor(w) == wait;
  watch->underWait += covered;
}

TEST_F(PagesGuiTest, TheTermsDownloadShowsTheWaitCursorOverTheWholeWizard) {
  test::ProviderFixture provider;
  ASSERT_TRUE(provider.ok()) << provider.error();
  // The terms arrive in pieces, so the box shows them growing while the download runs.
  test::Fault pieces;
  pieces.kind = test::FaultKind::kPieces;
  pieces.ms = 20;
  ASSERT_TRUE(provider.SetFault("/signup_pc/kiyaku.txt", pieces));
  app.signupServerUrl = provider.HttpUrl();
  TermsWatch watch;
  gui::Backend()->Post([&] {
    [&] {
      watch.top = WidgetOf(wizard);
      ASSERT_TRUE(wizard.SetActivePage(1));
      GtkWidget* terms = ui::gtk::InputWidgetOf(*wizard.page2.GetDlgItem(IDC_TERMS_TEXT));
      g_signal_connect(gtk_text_view_get_buffer(GTK_TEXT_VIEW(terms)), "changed",
                       G_CALLBACK(OnTermsShown), &watch);
      ui::Control* next = wizard.GetDlgItem(ui::ID_WIZNEXT);
      ASSERT_TRUE(gui::WaitUntil([&] {
        return next->GetWindowText() == res::String(IDS_BUTTON_AGREE);
      })) << "the terms arrived";
      EXPECT_GT(watch.shown, 1) << "the box showed the terms growing";
      EXPECT_EQ(watch.underWait, watch.shown) << "each time under the wait cursor";
      EXPECT_EQ(gdk_window_get_cursor(gtk_widget_get_window(watch.top)), nullptr)
          << "the wait cursor goes with the download";
      EXPECT_NE(gdk_window_get_cursor(
                    gtk_text_view_get_window(GTK_TEXT_VIEW(terms), GTK_TEXT_WINDOW_TEXT)),
                nullptr)
          << "the terms box has its own cursor back";
    }();
    wizard.EndDialog(ui::IDCANCEL);
  });
  wizard.DoModal();
}

// Clicks a button as the mouse does: the button takes the focus, then it is pressed.
void ClickAsAPerson(const ui::Control& button) {
  GtkWidget* w = WidgetOf(button);
  gtk_widget_grab_focus(w);
  gtk_button_clicked(GTK_BUTTON(w));
}

// Each mode walked through the real wizard against the stand-in: after every page activation
// the page's first field (or the field the page chose) has the keyboard focus of the active
// window, so that what the user types goes there.
TEST(PageFocusGuiTest, EveryPageShownHasAFieldWithTheFocusInEveryMode) {
  if (gui::Backend() == nullptr) GTEST_SKIP() << "no display: " << gui::Unavailable();
  const struct {
    const char* mode;
    int radio;         // the mode button chosen on the start page
    bool loginStored;  // an earlier signup left its login: recovery is the only mode
    std::vector<std::pair<int, int>> stops;  // page index, the control with the focus there
  } kWalks[] = {
      {"new signup",
       IDC_MODE_NEW,
       false,
       {{0, IDC_MODE_NEW},
        {1, IDC_TERMS_TEXT},
        {2, IDC_KANA},
        {3, IDC_CONFIRM_SUMMARY},
        {4, IDC_COMM_NAME},
        {5, IDC_COMM_SUMMARY},
        {6, IDC_NETWORK_SUMMARY}}},
      {"existing account",
       IDC_MODE_EXISTING,
       false,
       {{0, IDC_MODE_NEW},
        {1, IDC_TERMS_TEXT},
        {4, IDC_LOGIN_ID},
        {5, IDC_COMM_SUMMARY},
        {6, IDC_NETWORK_SUMMARY}}},
      {"recovery",
       IDC_MODE_RECOVERY,
       true,
       {{0, IDC_MODE_RECOVERY},
        {4, IDC_LOGIN_ID},
        {5, IDC_COMM_SUMMARY},
        {6, IDC_NETWORK_SUMMARY}}},
  };
  for (const auto& walk : kWalks) {
    SCOPED_TRACE(walk.mode);
    test::ProviderFixture provider;
    ASSERT_TRUE(provider.ok()) << provider.error();
    ASSERT_TRUE(provider.AddAccount("hanako", "hn260501"));
    test::TempDir dir;
    test::ScopedEnv registry("SIGNUP_REGISTRY", dir.File("registry.db"));
    CSignApp app;
    app.SelectProfile("");
    app.SetDialogBkColor(RGB(85, 159, 255), RGB(255, 255, 255));
    app.ApplyConnectionConfig("Lan", "tcp", false, "", "", "", "");
    FillSignup(app);
    app.LoginID = walk.loginStored ? "hanako" : "";
    app.LoginPasswd = walk.loginStored ? "hn260501" : "";
    // The start page reads the servers from the registry on Next.
    app.SelectProfile("Servers");
    app.WriteProfileString("", "SignupPage", provider.HttpUrl());
    app.WriteProfileString("", "ProfilePage", provider.HttpUrl());
    app.SelectProfile("");
    CSignWizard wizard(false, nullptr);
    app.sheet = &wizard;
    app.mainWindow = &wizard;
    wizard.CopyUserInfoToPages();
    wizard.AddWizardPages();
    gui::Backend()->Post([&] {
      [&] {
        GtkWidget* top = WidgetOf(wizard);
        ASSERT_TRUE(gui::WaitForDrawn(top));
        ASSERT_TRUE(gui::WaitUntil([&] { return gtk_window_is_active(GTK_WINDOW(top)); }))
            << "the window manager gives the wizard the keyboard";
        for (const auto& [index, focus] : walk.stops) {
          ASSERT_TRUE(gui::WaitUntil([&] { return wizard.GetActiveIndex() == index; }))
              << "page " << index << " is shown";
          ui::PropertyPage* page = wizard.GetActivePage();
          std::vector<ui::Control*> focusable = page->Controls();
          for (int id :
               {int{ui::ID_WIZBACK}, int{ui::ID_WIZNEXT}, int{ui::ID_WIZFINISH}, int{ui::IDCANCEL}})
            focusable.push_back(wizard.GetDlgItem(id));
          const ui::Control* focused = gui::FocusedAmong(top, focusable);
          EXPECT_EQ(focused != nullptr ? focused->GetDlgCtrlID() : 0, focus)
              << "the focus when page " << index << " is shown";
          if (index == 6) break;
          if (index == 0 && walk.radio != IDC_MODE_RECOVERY)
            gtk_button_clicked(GTK_BUTTON(WidgetOf(*page->GetDlgItem(walk.radio))));
          if (index == 1) {
            ASSERT_TRUE(gui::WaitUntil([&] {
              return wizard.GetDlgItem(ui::ID_WIZNEXT)->GetWindowText() ==
                     res::String(IDS_BUTTON_AGREE);
            })) << "the terms arrived";
          }
          if (index == 4) {
            auto type = [&](int id, const char* utf8) {
              GtkWidget* entry = ui::gtk::InputWidgetOf(*page->GetDlgItem(id));
              if (gtk_editable_get_editable(GTK_EDITABLE(entry)))
                gtk_entry_set_text(GTK_ENTRY(entry), utf8);
            };
            type(IDC_LOGIN_ID, "hanako");
            type(IDC_LOGIN_PASSWORD, "hn260501");
            type(IDC_COMM_NAME, "はなこ");
          }
          ClickAsAPerson(*wizard.GetDlgItem(ui::ID_WIZNEXT));
        }
      }();
      wizard.EndDialog(ui::IDCANCEL);
    });
    wizard.DoModal();
    app.sheet = nullptr;
    app.mainWindow = nullptr;
  }
}

// GTK's tool tip window when one is on the screen, else null.
GtkWidget* ShownToolTip() {
  GtkWidget* shown = nullptr;
  GList* all = gtk_window_list_toplevels();
  for (GList* it = all; it; it = it->next) {
    GtkWidget* w = GTK_WIDGET(it->data);
    if (std::string(G_OBJECT_TYPE_NAME(w)) == "GtkTooltipWindow" && gtk_widget_get_mapped(w))
      shown = w;
  }
  g_list_free(all);
  return shown;
}

TEST_F(PagesGuiTest, TheDetailsToolTipGoesWhenTheDetailsDialogOpensOverIt) {
  gui::Backend()->Post([&] {
    [&] {
      GtkWidget* top = WidgetOf(wizard);
      ASSERT_TRUE(gui::WaitForDrawn(top));
      // The mouse rests on 詳細 until its tip shows.
      GtkWidget* details = WidgetOf(*wizard.page1.GetDlgItem(IDC_DETAILS));
      int x = 0, y = 0, ox = 0, oy = 0;
      gtk_widget_translate_coordinates(details, top, 20, 12, &x, &y);
      gdk_window_get_origin(gtk_widget_get_window(top), &ox, &oy);
      GdkDisplay* display = gtk_widget_get_display(top);
      gdk_device_warp(gdk_seat_get_pointer(gdk_display_get_default_seat(display)),
                      gdk_display_get_default_screen(display), ox + x, oy + y);
      ASSERT_TRUE(gui::WaitUntil([] { return ShownToolTip() != nullptr; }))
          << "the tip of 詳細 shows";
      // It is pressed: the LAN details dialog runs modally over the page.
      GtkWidget* dialog = nullptr;
      gui::Backend()->Post([&] {
        [&] {
          ASSERT_TRUE(gui::WaitUntil([&] {
            GtkWidget* active = nullptr;
            GList* all = gtk_window_list_toplevels();
            for (GList* it = all; it; it = it->next)
              if (gtk_window_is_active(GTK_WINDOW(it->data))) active = GTK_WIDGET(it->data);
            g_list_free(all);
            dialog = active != top ? active : nullptr;
            return dialog != nullptr;
          })) << "the details dialog is up";
          ASSERT_TRUE(gui::WaitForDrawn(dialog));
          EXPECT_EQ(ShownToolTip(), nullptr) << "no tip over the dialog";
          EXPECT_TRUE(gui::SaveScreenshot(dialog, "details-dialog-over-its-tip"));
        }();
        if (dialog != nullptr) gui::PressKey(dialog, GDK_KEY_Escape);
      });
      gtk_button_clicked(GTK_BUTTON(details));
    }();
    wizard.EndDialog(ui::IDCANCEL);
  });
  wizard.DoModal();
}

}  // namespace
