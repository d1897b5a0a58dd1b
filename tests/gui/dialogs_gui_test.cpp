// The three settings dialogs in the GTK backend under a private display: every control at its
// template pixels, the dialog's own values on the widgets, every control named for screen
// readers, and a screenshot of each.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>

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
    std::string notice = platform::AnsiToUtf8(res::String(179));
    std::erase(notice, '\r');
    EXPECT_EQ(ShownText(InputWidgetOf(*dlg.GetDlgItem(CMailAccountDlg::kNoticeEdit))), notice);
  });
}

}  // namespace
