// The settings dialogs in the GTK backend under a private display, in the program's colours:
// every control at its template pixels, the dialog's own values on the widgets, every control
// named for screen readers, a screenshot of each, Tab in template order and the captions of
// check boxes in the dialog's text colour.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/SignApp.h"
#include "dialup/DialupDetailsDialog.h"
#include "gui_environment.h"
#include "netconfig/LanDetailsDialog.h"
#include "netconfig/MailAccountDialog.h"
#include "platform/codepage.h"
#include "res/resources.h"
#include "support/ras_fixture.h"
#include "support/test_support.h"
#include "ui/gtk/gtk_backend.h"

namespace {

using gui::AllocationIn;
using ui::gtk::ClientOf;
using ui::gtk::InputWidgetOf;
using ui::gtk::WidgetOf;

// UTF-8 text an entry or text view shows; empty for other widgets.
std::string ShownText(GtkWidget* w) {
  if (GTK_IS_ENTRY(w)) return gtk_entry_get_text(GTK_ENTRY(w));
  if (GTK_IS_TEXT_VIEW(w)) {
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(w));
    GtkTextIter begin, end;
    gtk_text_buffer_get_bounds(buffer, &begin, &end);
    gchar* text = gtk_text_buffer_get_text(buffer, &begin, &end, FALSE);
    std::string out = text;
    g_free(text);
    return out;
  }
  return {};
}

bool Active(const ui::Dialog& dialog, int id) {
  GtkWidget* w = InputWidgetOf(*dialog.GetDlgItem(id));
  return GTK_IS_TOGGLE_BUTTON(w) && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w));
}

class DialogsGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (gui::Backend() == nullptr) GTEST_SKIP() << "no display: " << gui::Unavailable();
    ASSERT_TRUE(ras.AddModem("Modem A"));
    app = std::make_unique<CSignApp>();
    app->SetDialogBkColor(RGB(85, 159, 255), RGB(255, 255, 255));  // as the program sets them
    app->PhoneNumber = "0120-111-111";
    app->PreFixNumber = "0077-xx-xxxx-xxxx";
    app->ModemName = "Modem A";
    app->DialMode = "P";
    app->OutsideLine = "9,";
    app->E_mail = "taro@mail.example.com";
    app->Pop_id = "taro";
    app->ApplyConnectionConfig("Lan", "tcp", true, "proxy.example", "3128", "alice", "secret");
    app->ConnectType = "Dialup";
  }

  // Runs the dialog; once it is on the screen, runs `body` and cancels it.
  void WhenShown(ui::Dialog& dialog, const std::function<void()>& body) {
    gui::Backend()->Post([&] {
      [&] {
        ASSERT_TRUE(gui::WaitForDrawn(WidgetOf(dialog))) << "the dialog is drawn";
        body();
      }();
      dialog.EndDialog(ui::IDCANCEL);
    });
    EXPECT_EQ(dialog.DoModal(), ui::IDCANCEL);
  }

  // Runs the dialog; once it is drawn, checks the geometry, saves the screenshot `shot`, runs
  // `check` and cancels it.
  void ShowAndCheck(ui::Dialog& dialog, const std::string& shot,
                    const std::function<void()>& check) {
    gui::Backend()->Post([&] {
      [&] {
        GtkWidget* top = WidgetOf(dialog);
        ASSERT_TRUE(gui::WaitForDrawn(top)) << "the dialog is drawn";
        EXPECT_TRUE(gui::SaveScreenshot(top, shot)) << "screenshot " << shot;
        EXPECT_EQ(AllocationIn(ClientOf(dialog), ClientOf(dialog)), dialog.GetClientRect())
            << "client area from the template";
        gui::ExpectWidgetsFollowTheModel(dialog);
        gui::ExpectControlsAt(dialog, gui::TemplatePlacements(dialog));
        gui::ExpectAccessibleNames(dialog);
        check();
      }();
      dialog.EndDialog(ui::IDCANCEL);
    });
    EXPECT_EQ(dialog.DoModal(), ui::IDCANCEL);
  }

  test::RasFixture ras;
  test::TempDir dir;
  test::ScopedEnv registry{"SIGNUP_REGISTRY", dir.File("registry.db")};
  std::unique_ptr<CSignApp> app;
};

TEST_F(DialogsGuiTest, DialUpDetailsShowTheStoredChoicesAtTheirTemplatePixels) {
  CDialupDetailsDlg dlg;
  ShowAndCheck(dlg, "dialog157", [&] {
    EXPECT_TRUE(Active(dlg, CDialupDetailsDlg::kPulseBox)) << "pulse from the stored dial mode";
    EXPECT_FALSE(Active(dlg, CDialupDetailsDlg::kToneBox));
    EXPECT_EQ(ShownText(InputWidgetOf(*dlg.GetDlgItem(CDialupDetailsDlg::kNumberBox))),
              "9,0077-0120-111-111");
    EXPECT_EQ(ShownText(InputWidgetOf(*dlg.GetDlgItem(CDialupDetailsDlg::kPrefixCombo))), "9,");
  });
}

TEST_F(DialogsGuiTest, LanDetailsShowTcpWithItsProxyAtTheirTemplatePixels) {
  CLanDetailsDlg dlg;
  ShowAndCheck(dlg, "dialog159", [&] {
    EXPECT_TRUE(Active(dlg, CLanDetailsDlg::kTcpBox));
    EXPECT_TRUE(Active(dlg, CLanDetailsDlg::kProxyBox));
    EXPECT_FALSE(Active(dlg, CLanDetailsDlg::kUdpBox));
    EXPECT_FALSE(Active(dlg, CLanDetailsDlg::kUnknownBox));
    EXPECT_EQ(ShownText(InputWidgetOf(*dlg.GetDlgItem(CLanDetailsDlg::kAddressEdit))),
              "proxy.example");
  });
  EXPECT_EQ(app->Proxy_host, "proxy.example") << "Cancel changes nothing";
}

TEST_F(DialogsGuiTest, MailAccountShowsTheAccountAtItsTemplatePixels) {
  CMailAccountDlg dlg;
  ShowAndCheck(dlg, "dialog147", [&] {
    const std::string account =
        ShownText(InputWidgetOf(*dlg.GetDlgItem(CMailAccountDlg::kAccountEdit)));
    EXPECT_NE(account.find("taro@mail.example.com"), std::string::npos) << account;
    // Text widgets keep line breaks as "\n" alone.
    std::string notice = platform::AnsiToUtf8(res::String(IDS_MAIL_NOTICE));
    std::erase(notice, '\r');
    EXPECT_EQ(ShownText(InputWidgetOf(*dlg.GetDlgItem(CMailAccountDlg::kNoticeEdit))), notice);
  });
}

TEST_F(DialogsGuiTest, TabVisitsTheTabStopsInTemplateOrder) {
  CDialupDetailsDlg dialup;
  CLanDetailsDlg lan;
  CMailAccountDlg mail;
  ui::Dialog progress(IDD_PROGRESS);  // the template alone: the real one starts dialling
  const std::vector<std::pair<ui::Dialog*, std::vector<int>>> dialogs = {
      {&dialup,
       {IDC_DETAILS_MODEM, IDC_DETAILS_TONE, IDC_DETAILS_PULSE, IDC_DETAILS_PREFIX,
        IDC_DETAILS_ACCESS_POINT, IDC_DETAILS_NUMBER, ui::IDOK, ui::IDCANCEL}},
      {&lan,
       {IDC_LAN_UDP, IDC_LAN_TCP, IDC_LAN_PROXY, IDC_LAN_ADDRESS, IDC_LAN_PORT, IDC_LAN_USER,
        IDC_LAN_PASSWORD, IDC_LAN_UNKNOWN, ui::IDOK, ui::IDCANCEL}},
      {&mail, {IDC_MAIL_ACCOUNT, ui::IDOK}},         // its Cancel is hidden
      {&progress, {IDC_DIAL_REDIAL, ui::IDCANCEL}},  // 切断 is hidden
  };
  for (auto& [dialog, order] : dialogs) {
    SCOPED_TRACE("dialog " + std::to_string(dialog->GetTemplateId()));
    WhenShown(*dialog, [&, dialog = dialog, &order = order] {
      dialog->GetDlgItem(order.front())->SetFocus();
      gui::ExpectTabCycle(WidgetOf(*dialog), dialog->Controls(), order);
    });
  }
}

// The colours a label widget is drawn in where it differs from the dialog background, with
// how many pixels have each.
std::map<long, int> InkColours(GtkWidget* label, GtkWidget* top, long background) {
  std::map<long, int> ink;
  const ui::Rect r = AllocationIn(label, top);
  GdkPixbuf* shown =
      gdk_pixbuf_get_from_window(gtk_widget_get_window(top), r.left, r.top, r.Width(), r.Height());
  if (shown == nullptr) return ink;
  const int stride = gdk_pixbuf_get_rowstride(shown), channels = gdk_pixbuf_get_n_channels(shown);
  for (int y = 0; y < r.Height(); ++y) {
    for (int x = 0; x < r.Width(); ++x) {
      const guchar* p = gdk_pixbuf_get_pixels(shown) + y * stride + x * channels;
      const long pixel = (long{p[0]} << 16) | (long{p[1]} << 8) | p[2];
      if (pixel != background) ++ink[pixel];
    }
  }
  g_object_unref(shown);
  return ink;
}

long Brightness(long rgb) { return (rgb >> 16) + (rgb >> 8 & 0xFF) + (rgb & 0xFF); }

TEST_F(DialogsGuiTest, CheckBoxCaptionsAreInTheDialogTextColourAndEtchedWhenDisabled) {
  constexpr long kBackground = 0x559FFF, kText = 0xFFFFFF, kShadow = 0x808080;
  CDialupDetailsDlg dialup;
  CLanDetailsDlg lan;
  const std::vector<std::pair<ui::Dialog*, std::vector<int>>> boxes = {
      {&dialup, {IDC_DETAILS_TONE, IDC_DETAILS_PULSE}},
      {&lan, {IDC_LAN_UDP, IDC_LAN_TCP, IDC_LAN_PROXY, IDC_LAN_UNKNOWN}},
  };
  for (auto& [dialog, ids] : boxes) {
    SCOPED_TRACE("dialog " + std::to_string(dialog->GetTemplateId()));
    WhenShown(*dialog, [&, dialog = dialog, &ids = ids] {
      GtkWidget* top = WidgetOf(*dialog);
      dialog->GetDlgItem(ui::IDOK)->SetFocus();  // no focus ring over the captions
      ASSERT_TRUE(gui::WaitForDrawn(top));
      for (int id : ids) {
        ui::Control* box = dialog->GetDlgItem(id);
        GtkWidget* caption = gtk_bin_get_child(GTK_BIN(WidgetOf(*box)));
        std::map<long, int> ink = InkColours(caption, top, kBackground);
        EXPECT_GT(ink[kText], 0) << "caption of " << id << " drawn in white";
        for (const auto& [colour, count] : ink)
          EXPECT_GE(Brightness(colour), Brightness(kBackground))
              << "caption of " << id << " has nothing darker than the background: " << std::hex
              << colour;
        box->EnableWindow(false);
        ASSERT_TRUE(gui::WaitForDrawn(top));
        ink = InkColours(caption, top, kBackground);
        EXPECT_GT(ink[kShadow], 0) << "disabled caption of " << id << " in the shadow grey";
        EXPECT_GT(ink[kText], 0) << "over a white highlight";
        box->EnableWindow(true);
      }
      EXPECT_TRUE(gui::SaveScreenshot(top, "captions-" + std::to_string(dialog->GetTemplateId())));
    });
  }
}

// Every caption of the four dialogs shows whole inside its rectangle, as the Windows system
// font sets it: no line wraps below the rectangle and none runs past its right edge. The scale
// test runs it again at GDK_SCALE=2.
TEST_F(DialogsGuiTest, EveryStaticCaptionFitsItsRectangleAtScaleOneAndTwo) {
  const std::string scale = std::getenv("GDK_SCALE") != nullptr ? "-scale2" : "";
  CDialupDetailsDlg dialup;
  CLanDetailsDlg lan;
  CMailAccountDlg mail;
  ui::Dialog progress(IDD_PROGRESS);  // the template alone: the real one starts dialling
  int captions = 0;
  for (ui::Dialog* dialog : std::vector<ui::Dialog*>{&dialup, &lan, &mail, &progress}) {
    SCOPED_TRACE("dialog " + std::to_string(dialog->GetTemplateId()) + scale);
    WhenShown(*dialog, [&] {
      for (const ui::Control* c : dialog->Controls()) {
        GtkWidget* label = WidgetOf(*c);
        if (c->GetKind() != res::ControlKind::Static || !GTK_IS_LABEL(label) ||
            c->GetWindowText().empty() || !gtk_widget_get_visible(label))
          continue;
        ++captions;
        int width = 0, height = 0;
        pango_layout_get_pixel_size(gtk_label_get_layout(GTK_LABEL(label)), &width, &height);
        const ui::Rect r = c->GetWindowRect();
        EXPECT_TRUE(width <= r.Width() && height <= r.Height())
            << "\"" << platform::AnsiToUtf8(c->GetWindowText()) << "\" takes " << width << " x "
            << height << " of " << r.Width() << " x " << r.Height();
      }
      if (dialog == &lan) {
        EXPECT_TRUE(gui::SaveScreenshot(WidgetOf(lan), "dialog159-captions" + scale));
      }
    });
  }
  EXPECT_GE(captions, 10) << "the dialogs' captions were measured";
}

}  // namespace
