// The seven real wizard pages in the GTK window with a filled-in signup: every control at the
// pixel rectangle of the page layout, none over the lettering of its picture, every control named
// for screen readers, and a screenshot of each page; the completion page offers only Finish; the
// terms download under the wait cursor.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <string>
#include <thread>
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

// The picture shows on the screen: the first lettering pixel of colour `ink` outside every
// control is drawn so, and the page's ground (its bottom right corner) in `paper`.
void ExpectLetteringOnScreen(const ui::PropertyPage& page, const res::Bitmap& picture,
                             GtkWidget* top, long ink, long paper) {
  int cx = 0, cy = 0;
  gtk_widget_translate_coordinates(ClientOf(page), top, picture.width - 2, picture.height - 2, &cx,
                                   &cy);
  EXPECT_EQ(gui::PixelAt(top, cx, cy), paper) << "the page's ground";
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const uint8_t index = picture.pixels[static_cast<size_t>(y) * picture.width + x];
      if (index < res::kLetteringFirstIndex || picture.palette[index] != ink) continue;
      int wx = 0, wy = 0;
      gtk_widget_translate_coordinates(ClientOf(page), top, x, y, &wx, &wy);
      EXPECT_EQ(gui::PixelAt(top, wx, wy), ink) << "lettering shown at " << x << "," << y;
      return;
    }
  }
  ADD_FAILURE() << "the picture has no lettering in " << std::hex << ink;
}

// In every multi-line box of the page, the text after each tab starts at a tab stop of the
// Windows edit control: a multiple of 32 dialog units (48 pixels) from the text's left edge.
void ExpectTabStopsEvery32DialogUnits(const ui::PropertyPage& page) {
  const int every = ui::DialogUnitsToPixels(0, 0, 32, 0).Width();
  for (const ui::Control* c : page.Controls()) {
    GtkWidget* view = ui::gtk::InputWidgetOf(*c);
    if (!GTK_IS_TEXT_VIEW(view)) continue;
    GtkTextIter it;
    gtk_text_buffer_get_start_iter(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)), &it);
    while (gtk_text_iter_forward_find_char(
        &it, [](gunichar c, gpointer) -> gboolean { return c == '\t'; }, nullptr, nullptr)) {
      GtkTextIter after = it;
      gtk_text_iter_forward_char(&after);
      GdkRectangle at;
      gtk_text_view_get_iter_location(GTK_TEXT_VIEW(view), &after, &at);
      at.x -= gtk_text_view_get_left_margin(GTK_TEXT_VIEW(view));
      EXPECT_EQ(at.x % every, 0) << "control " << c->GetDlgCtrlID() << ", line "
                                 << gtk_text_iter_get_line(&it) << ": a tab ends at " << at.x;
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

class PagesGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (gui::Backend() == nullptr) GTEST_SKIP() << "no display: " << gui::Unavailable();
    app.SelectProfile("");
    app.SetDialogBkColor(RGB(85, 159, 255), RGB(255, 255, 255));
    app.ApplyConnectionConfig("Lan", "tcp", false, "", "", "", "");
    // A signup as a person would have filled it in, and what the provider sent back.
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

// A walk through the pages in one mode: where the focus goes on the two pages that depend on it;
// and under one theme: the colours of the pictures' lettering and ground.
struct Walk {
  const char* name;
  WizardMode mode;
  bool loginStored;  // an earlier signup left its login: recovery is the only mode
  int startFocus, commFocus;
  const char* theme;  // null: the display's own
  long ink, paper;
};
void PrintTo(const Walk& walk, std::ostream* out) { *out << walk.name; }
// The desktop switches GTK's theme, as its settings do: GTK_THEME names it, the setting reloads it.
void UseTheme(const char* name) {
  g_setenv("GTK_THEME", name, TRUE);
  g_object_set(gtk_settings_get_default(), "gtk-theme-name", name, nullptr);
}
class PageWalkGuiTest : public PagesGuiTest, public ::testing::WithParamInterface<Walk> {
  void SetUp() override {
    if (gui::Backend() != nullptr && GetParam().theme != nullptr) UseTheme(GetParam().theme);
    PagesGuiTest::SetUp();
  }
  void TearDown() override {
    if (gui::Backend() != nullptr && GetParam().theme != nullptr) UseTheme("Adwaita");
  }
};

TEST_P(PageWalkGuiTest, EveryPageShowsItsControlsAtTheLayoutOverFreePartsOfItsPicture) {
  const Walk& walk = GetParam();
  const int focus[] = {walk.startFocus, IDC_TERMS_TEXT,   IDC_KANA,           IDC_CONFIRM_SUMMARY,
                       walk.commFocus,  IDC_COMM_SUMMARY, IDC_NETWORK_SUMMARY};
  app.LoginID = walk.loginStored ? "taro1980" : "";
  const guint listener = atk_add_global_event_listener(RecordShowing, "ATK:AtkObject:state-change");
  gui::Backend()->Post([&] {
    EXPECT_TRUE(gui::WaitUntil([&] { return gtk_window_is_active(GTK_WINDOW(WidgetOf(wizard))); }))
        << "the window manager gives the wizard the keyboard";
    for (int index = 0; index < 7; ++index) {
      [&] {
        SCOPED_TRACE("page " + std::to_string(index));
        g_shown.clear();
        gtk_widget_grab_focus(WidgetOf(*wizard.GetDlgItem(ui::ID_WIZNEXT)));  // as a click does
        ASSERT_TRUE(wizard.SetActivePage(index));
        if (index == 0) app.mode = walk.mode, app.LoginID = "taro1980";  // as Next, the signup
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
        if (walk.mode == WizardMode::NewSignup) {
          EXPECT_TRUE(gui::SaveScreenshot(
              top, "page" + std::to_string(index + 1) + "-" + std::to_string(page->template_id()) +
                       (walk.theme != nullptr ? "-high-contrast" : "")));
        }
        EXPECT_EQ(gui::FocusedAmong(top, page->Controls()), page->GetDlgItem(focus[index]))
            << "control " << focus[index] << " has the focus";
        EXPECT_EQ(gui::AllocationIn(ClientOf(*page), ClientOf(wizard)), wizard.pageRect())
            << "the page fills the page area";
        gui::ExpectControlsAt(*page, LayoutPlacements(page->template_id()));
        ExpectNoControlOverLettering(*page, page->bitmap.data());
        ExpectLetteringOnScreen(*page, page->bitmap.data(), top, walk.ink, walk.paper);
        gui::ExpectAccessibleNames(*page);
        AtkObject* panel = gtk_widget_get_accessible(ClientOf(*page));
        EXPECT_STREQ(atk_object_get_name(panel), res::FindPagePicture(page->bitmap.id())->heading);
        EXPECT_EQ(atk_object_get_role(panel), ATK_ROLE_PANEL) << "the page is named by its title";
        EXPECT_NE(std::find(g_shown.begin(), g_shown.end(), panel), g_shown.end())
            << "its showing was announced";
        ExpectTabStopsEvery32DialogUnits(*page);
      }();
    }
    wizard.EndDialog(ui::IDCANCEL);
  });
  wizard.DoModal();
  atk_remove_global_event_listener(listener);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PageWalkGuiTest,
    ::testing::Values(Walk{"NewSignup", WizardMode::NewSignup, false, IDC_MODE_NEW, IDC_COMM_NAME,
                           nullptr, 0xFFFFFF, 0x559FFF},
                      Walk{"ExistingAccount", WizardMode::ExistingAccount, false, IDC_MODE_NEW,
                           IDC_LOGIN_ID, nullptr, 0xFFFFFF, 0x559FFF},
                      Walk{"Recovery", WizardMode::Recovery, true, IDC_MODE_RECOVERY, IDC_LOGIN_ID,
                           nullptr, 0xFFFFFF, 0x559FFF},
                      Walk{"NewSignupInHighContrast", WizardMode::NewSignup, false, IDC_MODE_NEW,
                           IDC_COMM_NAME, "HighContrast", 0x000000, 0xFFFFFF}),
    [](const auto& info) { return std::string(info.param.name); });

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

// While the signup request waits on the server, the window is uncovered, and Cancel is clicked,
// pressed by an assistive technology and answered with Escape.
struct HeldRequestChecks {
  GtkWidget* top = nullptr;
  ui::Control* cancel = nullptr;
  std::vector<ui::Control*> backNext;
  std::vector<int> darkest;  // of Back, Next and Cancel as drawn while the request was held
  std::atomic<bool> held{false};
  int draws = 0;
  bool repainted = false;
  bool done = false;
  std::promise<void> checked;
};

// The darkest grey level inside a widget as the window shows it: a button's caption.
int DarkestPixel(GtkWidget* top, GtkWidget* widget) {
  const ui::Rect r = gui::AllocationIn(widget, top);
  GdkPixbuf* shot = gdk_pixbuf_get_from_window(gtk_widget_get_window(top), r.left, r.top,
                                               r.right - r.left, r.bottom - r.top);
  if (!shot) return -1;
  int darkest = 255;
  const int stride = gdk_pixbuf_get_rowstride(shot), step = gdk_pixbuf_get_n_channels(shot);
  const guchar* pixels = gdk_pixbuf_get_pixels(shot);
  for (int y = 0; y < gdk_pixbuf_get_height(shot); ++y)
    for (int x = 0; x < gdk_pixbuf_get_width(shot); ++x) {
      const guchar* p = pixels + y * stride + x * step;
      darkest = std::min(darkest, (p[0] + p[1] + p[2]) / 3);
    }
  g_object_unref(shot);
  return darkest;
}

gboolean CheckWhileHeld(gpointer data) {
  auto* c = static_cast<HeldRequestChecks*>(data);
  if (!c->held) return G_SOURCE_CONTINUE;
  GtkWidget* cover = gtk_window_new(GTK_WINDOW_POPUP);
  int x = 0, y = 0;
  gdk_window_get_origin(gtk_widget_get_window(c->top), &x, &y);
  gtk_window_move(GTK_WINDOW(cover), x, y);
  gtk_window_resize(GTK_WINDOW(cover), gtk_widget_get_allocated_width(c->top),
                    gtk_widget_get_allocated_height(c->top));
  gtk_widget_show(cover);
  gui::WaitForDrawn(cover);
  const int before = c->draws;
  gtk_widget_destroy(cover);
  c->repainted = gui::WaitUntil([&] { return c->draws > before; });
  gui::SaveScreenshot(c->top, "request-held");
  for (ui::Control* b : {c->backNext[0], c->backNext[1], c->cancel})
    c->darkest.push_back(DarkestPixel(c->top, WidgetOf(*b)));
  GtkWidget* button = WidgetOf(*c->cancel);
  GtkAllocation a;
  gtk_widget_get_allocation(button, &a);
  for (GdkEventType type : {GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE})
    gdk_test_simulate_button(gtk_widget_get_window(button), a.x + a.width / 2, a.y + a.height / 2,
                             1, GdkModifierType(0), type);
  gtk_button_clicked(GTK_BUTTON(button));
  gui::PressKey(c->top, GDK_KEY_Escape);
  c->done = true;
  c->checked.set_value();
  return G_SOURCE_REMOVE;
}

TEST_F(PagesGuiTest, TheWindowRepaintsAndTakesNoInputWhileTheSignupWaitsOnTheServer) {
  test::ProviderFixture provider;
  ASSERT_TRUE(provider.ok()) << provider.error();
  ASSERT_TRUE(provider.SetFault("/signup_pc/signup_pc.cgi", {test::FaultKind::kDelay}));
  app.signupServerUrl = provider.HttpUrl();
  HeldRequestChecks checks;
  std::thread watcher([&, checked = checks.checked.get_future()] {
    checks.held = provider.WaitUntilHeld(1);
    // The reply goes once the checks are done. A window that handles nothing during the request
    // never does them: the reply then goes after a while, before the request would time out.
    if (checks.held) checked.wait_for(std::chrono::seconds(20));
    provider.Release();
  });
  gui::Backend()->Post([&] {
    [&] {
      ASSERT_TRUE(wizard.SetActivePage(3));
      checks.top = WidgetOf(wizard);
      checks.cancel = wizard.GetDlgItem(ui::IDCANCEL);
      checks.backNext = {wizard.GetDlgItem(ui::ID_WIZBACK), wizard.GetDlgItem(ui::ID_WIZNEXT)};
      ASSERT_TRUE(gui::WaitForDrawn(checks.top));
      g_signal_connect(checks.top, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t*, gpointer d) {
                         ++static_cast<HeldRequestChecks*>(d)->draws;
                         return FALSE;
                       }),
                       &checks);
      const guint source = g_timeout_add(10, CheckWhileHeld, &checks);
      gtk_button_clicked(GTK_BUTTON(WidgetOf(*wizard.GetDlgItem(ui::ID_WIZNEXT))));
      EXPECT_TRUE(checks.done) << "the window handled events during the request";
      if (!checks.done) g_source_remove(source);
      EXPECT_TRUE(checks.repainted) << "and painted what was uncovered";
      // Back and Next, disabled for the request, are drawn so: their captions grey beside Cancel's.
      ASSERT_EQ(checks.darkest.size(), 3u);
      EXPECT_GT(checks.darkest[0], checks.darkest[2] + 50) << "Back is drawn disabled";
      EXPECT_GT(checks.darkest[1], checks.darkest[2] + 50) << "Next is drawn disabled";
      EXPECT_FALSE(wizard.IsModalEnded()) << "Cancel and Escape were not acted on";
      EXPECT_EQ(wizard.GetActiveIndex(), 4) << "after the reply the wizard went on";
      EXPECT_EQ(app.LoginID, "taro1980");
    }();
    wizard.EndDialog(ui::IDCANCEL);
  });
  wizard.DoModal();
  watcher.join();
}

// The mapped top-level window of exactly that GTK type, other than `besides`, or null.
GtkWidget* Mapped(const char* type, GtkWidget* besides = nullptr) {
  GtkWidget* found = nullptr;
  GList* all = gtk_window_list_toplevels();
  for (GList* it = all; it; it = it->next)
    if (it->data != besides && gtk_widget_get_mapped(GTK_WIDGET(it->data)) &&
        std::string(G_OBJECT_TYPE_NAME(it->data)) == type)
      found = GTK_WIDGET(it->data);
  g_list_free(all);
  return found;
}

TEST_F(PagesGuiTest, TheDetailsToolTipGoesWhenTheDetailsDialogOpensOverIt) {
  gui::Backend()->Post([&] {
    [&] {
      GtkWidget* top = WidgetOf(wizard);
      ASSERT_TRUE(gui::WaitForDrawn(top));
      // The mouse rests on 詳細 until its tip shows, then presses it.
      GtkWidget* details = WidgetOf(*wizard.page1.GetDlgItem(IDC_DETAILS));
      int x = 0, y = 0, ox = 0, oy = 0;
      gtk_widget_translate_coordinates(details, top, 20, 12, &x, &y);
      gdk_window_get_origin(gtk_widget_get_window(top), &ox, &oy);
      GdkDisplay* display = gtk_widget_get_display(top);
      gdk_device_warp(gdk_seat_get_pointer(gdk_display_get_default_seat(display)),
                      gdk_display_get_default_screen(display), ox + x, oy + y);
      ASSERT_TRUE(gui::WaitUntil([] { return Mapped("GtkTooltipWindow"); })) << "the tip shows";
      gui::Backend()->Post([&] {
        GtkWidget* dialog = nullptr;
        ASSERT_TRUE(gui::WaitUntil([&] { return (dialog = Mapped("GtkWindow", top)); }))
            << "the details dialog is up";
        EXPECT_TRUE(gui::WaitForDrawn(dialog));
        EXPECT_EQ(Mapped("GtkTooltipWindow"), nullptr) << "no tip over the dialog";
        gui::PressKey(dialog, GDK_KEY_Escape);
      });
      gtk_button_clicked(GTK_BUTTON(details));
    }();
    wizard.EndDialog(ui::IDCANCEL);
  });
  wizard.DoModal();
}

}  // namespace
