// The GTK backend under a private X display: the wizard sheet with its pages and pictures, modal
// dialogs with their controls at the template's pixels, input reaching the model, and message
// boxes nested in modal runs.
#include "ui/gtk/gtk_backend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gui_environment.h"
#include "support/test_support.h"
#include "ui/backend.h"
#include "ui/framework.h"

namespace {

using gui::AllocationIn;
using gui::CountingDialog;
using gui::Describe;
using ui::gtk::ClientOf;
using ui::gtk::InputWidgetOf;
using ui::gtk::WidgetOf;

class GtkBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (gui::Backend() == nullptr) GTEST_SKIP() << "no display: " << gui::Unavailable();
    app_.appName = test::Sjis("Signup");
    app_.SetDialogBkColor(RGB(85, 159, 255), RGB(255, 255, 255));
  }
  // Runs `body` inside the modal loop of the window about to be run, once it is on the screen.
  void WhenShown(std::function<void()> body) { gui::Backend()->Post(std::move(body)); }

  ui::Application app_;
};

// A page that paints its picture as the wizard's pages do.
class PicturePage : public ui::PropertyPage {
 public:
  PicturePage(int templateId, int bitmapId) : PropertyPage(templateId) {
    bitmap.LoadBitmap(bitmapId);
    pageFlags = 0;
  }
  void OnPaint() override {
    ui::PaintDC dc(this);
    ui::DeviceContext memory;
    if (!memory.CreateCompatibleDC(&dc)) return;
    ui::Bitmap* old = memory.SelectObject(&bitmap);
    dc.BitBlt(0, 0, bitmap.Width(), bitmap.Height(), &memory, 0, 0, ui::SRCCOPY);
    memory.SelectObject(old);
  }
  ui::Bitmap bitmap;
};

// A point of the page that no visible control covers, so the picture shows there.
bool BarePoint(const ui::PropertyPage& page, int& px, int& py) {
  const ui::Rect area = page.GetClientRect();
  for (py = area.bottom - 3; py > 2; py -= 7) {
    for (px = 2; px < area.right - 2; px += 7) {
      bool covered = false;
      for (ui::Control* c : page.Controls()) {
        const ui::Rect r = c->GetWindowRect();
        if (c->IsWindowVisible() && px >= r.left - 2 && px < r.right + 2 && py >= r.top - 2 &&
            py < r.bottom + 2)
          covered = true;
      }
      if (!covered) return true;
    }
  }
  return false;
}

// The page is the only one shown, fills the page area and shows its own picture.
void ExpectPageShown(ui::PropertySheet& sheet, PicturePage& page, const ui::Rect& area,
                     const std::string& shot) {
  GtkWidget* top = WidgetOf(sheet);
  ASSERT_TRUE(gui::WaitForDrawn(top)) << "the sheet is drawn";
  for (int i = 0; i < sheet.GetPageCount(); ++i) {
    GtkWidget* w = WidgetOf(*sheet.GetPage(i));
    if (sheet.GetPage(i) == &page) {
      ASSERT_NE(w, nullptr) << "the active page has a widget";
      EXPECT_TRUE(gtk_widget_get_mapped(w)) << "the active page is on the screen";
    } else if (w != nullptr) {
      EXPECT_FALSE(gtk_widget_get_visible(w)) << "page " << i << " is hidden";
    }
  }
  const ui::Rect shown = AllocationIn(WidgetOf(page), ClientOf(sheet));
  EXPECT_EQ(shown, area) << "page area " << Describe(shown) << " instead of " << Describe(area);
  EXPECT_TRUE(gui::SaveScreenshot(top, shot)) << "screenshot " << shot;

  int px = 0, py = 0;
  ASSERT_TRUE(BarePoint(page, px, py)) << "the page has a point free of controls";
  const res::Bitmap& picture = page.bitmap.data();
  ASSERT_GT(picture.width, px) << "the page picture covers the sample point";
  const long expected =
      picture.palette[picture.pixels[static_cast<size_t>(py) * picture.width + px]] & 0xFFFFFF;
  int wx = 0, wy = 0;
  gtk_widget_translate_coordinates(WidgetOf(page), top, px, py, &wx, &wy);
  EXPECT_EQ(gui::PixelAt(top, wx, wy), expected)
      << "the picture shows at page point " << px << "," << py;
}

TEST_F(GtkBackendTest, WizardSheetShowsEachPagePictureInAPageAreaThatKeepsItsSize) {
  PicturePage start(146, 149), terms(151, 150), user(152, 151);
  ui::PropertySheet sheet(103, nullptr, 0);
  sheet.sheetFlags &= ~ui::PSH_HASHELP;
  sheet.SetWizardMode();
  sheet.AddPage(&start);
  sheet.AddPage(&terms);
  sheet.AddPage(&user);
  sheet.SetIcon(128);
  ui::Rect area;
  WhenShown([&] {
    [&] {
      area = start.GetWindowRect();
      ASSERT_GT(area.Width(), 0) << "the page area has a size";
      ExpectPageShown(sheet, start, area, "sheet-page0");
      gtk_button_clicked(GTK_BUTTON(WidgetOf(*sheet.GetDlgItem(ui::ID_WIZNEXT))));
      ASSERT_EQ(sheet.GetActiveIndex(), 1) << "Next moved to the second page";
      ExpectPageShown(sheet, terms, area, "sheet-page1-after-next");
      gtk_button_clicked(GTK_BUTTON(WidgetOf(*sheet.GetDlgItem(ui::ID_WIZNEXT))));
      ASSERT_EQ(sheet.GetActiveIndex(), 2) << "Next moved to the third page";
      ExpectPageShown(sheet, user, area, "sheet-page2-after-next");
      gtk_button_clicked(GTK_BUTTON(WidgetOf(*sheet.GetDlgItem(ui::ID_WIZBACK))));
      ASSERT_EQ(sheet.GetActiveIndex(), 1) << "Back returned to the second page";
      ExpectPageShown(sheet, terms, area, "sheet-page1-after-back");
      const std::string title = gtk_window_get_title(GTK_WINDOW(WidgetOf(sheet)));
      EXPECT_EQ(title, test::Utf8(sheet.caption())) << "the window shows the sheet's caption";
      EXPECT_FALSE(gtk_window_get_resizable(GTK_WINDOW(WidgetOf(sheet))))
          << "the wizard cannot be resized";
      EXPECT_EQ(gtk_window_get_type_hint(GTK_WINDOW(WidgetOf(sheet))), GDK_WINDOW_TYPE_HINT_DIALOG)
          << "a dialog window: no maximise or minimise";
      EXPECT_NE(gtk_window_get_icon(GTK_WINDOW(WidgetOf(sheet))), nullptr) << "icon 128 shown";
      GList* icons = gtk_window_get_icon_list(GTK_WINDOW(WidgetOf(sheet)));
      EXPECT_EQ(g_list_length(icons), 3u) << "at 48, 32 and 16 pixels for the window manager";
      g_list_free(icons);
    }();
    // The close box is the Cancel button.
    gtk_window_close(GTK_WINDOW(WidgetOf(sheet)));
  });
  EXPECT_EQ(sheet.DoModal(), ui::IDCANCEL) << "closing the window cancels the wizard";
  EXPECT_EQ(start.native, nullptr) << "pages lose their widgets with the sheet";
}

TEST_F(GtkBackendTest, RadioButtonsShowTheirGroupAndCanBeClearedByTheModel) {
  PicturePage start(146, 149);
  ui::PropertySheet sheet(103, nullptr, 0);
  sheet.SetWizardMode();
  sheet.AddPage(&start);
  auto shownChecked = [](ui::Control* c) {
    return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(WidgetOf(*c))) != FALSE;
  };
  WhenShown([&] {
    [&] {
      ASSERT_TRUE(gui::WaitForDrawn(WidgetOf(sheet)));
      ui::Control* signup = start.GetDlgItem(1086);
      ui::Control* existing = start.GetDlgItem(1087);
      ui::Control* recovery = start.GetDlgItem(1088);
      EXPECT_FALSE(shownChecked(signup) || shownChecked(existing) || shownChecked(recovery))
          << "no radio button is shown checked before the model checks one";
      start.CheckDlgButton(1086, 1);
      EXPECT_TRUE(shownChecked(signup)) << "model check shown";
      gtk_button_clicked(GTK_BUTTON(WidgetOf(*recovery)));
      EXPECT_EQ(recovery->GetCheck(), 1) << "the clicked radio is checked in the model";
      EXPECT_EQ(signup->GetCheck(), 0) << "the group's other radio is cleared in the model";
      EXPECT_TRUE(shownChecked(recovery)) << "and on the screen";
      EXPECT_FALSE(shownChecked(signup)) << "and on the screen";
      gtk_button_clicked(GTK_BUTTON(WidgetOf(*recovery)));
      EXPECT_EQ(recovery->GetCheck(), 1) << "clicking a checked radio keeps it checked";
      EXPECT_TRUE(shownChecked(recovery));
      start.CheckDlgButton(1088, 0);
      EXPECT_FALSE(shownChecked(recovery)) << "the model can clear a radio button";
    }();
    sheet.EndDialog(ui::IDCANCEL);
  });
  sheet.DoModal();
}

TEST_F(GtkBackendTest, KeysPassThePagePreTranslationBeforeReachingTheControl) {
  class FilteringPage : public PicturePage {
   public:
    using PicturePage::PicturePage;
    bool PreTranslateMessage(ui::Message& msg) override {
      if (msg.message != ui::WM_KEYDOWN) return false;
      targets.push_back(msg.target);
      return swallow;
    }
    std::vector<ui::Window*> targets;
    bool swallow = true;
  };
  FilteringPage user(152, 151);
  ui::PropertySheet sheet(103, nullptr, 0);
  sheet.SetWizardMode();
  sheet.AddPage(&user);
  auto type = [&](guint keyval) {
    GtkWidget* top = WidgetOf(sheet);
    GdkEvent* key = gdk_event_new(GDK_KEY_PRESS);
    key->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(top)));
    key->key.keyval = keyval;
    key->key.time = GDK_CURRENT_TIME;
    GdkDisplay* display = gtk_widget_get_display(top);
    gdk_event_set_device(key, gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
    gdk_event_put(key);
    gdk_event_free(key);
  };
  WhenShown([&] {
    [&] {
      ASSERT_TRUE(gui::WaitForDrawn(WidgetOf(sheet)));
      ui::Control* name = user.GetDlgItem(1040);
      name->SetFocus();
      ASSERT_TRUE(gtk_widget_has_focus(InputWidgetOf(*name))) << "the model's focus is shown";
      type(GDK_KEY_a);
      ASSERT_TRUE(gui::WaitUntil([&] { return user.targets.size() == 1; }))
          << "the page saw the key";
      EXPECT_EQ(user.targets[0], name) << "aimed at the focused control";
      ui::PumpMessages();
      EXPECT_EQ(name->GetWindowText(), "") << "a swallowed key types nothing";
      user.swallow = false;
      type(GDK_KEY_b);
      EXPECT_TRUE(gui::WaitUntil([&] { return name->GetWindowText() == "b"; }))
          << "a key the page lets pass is typed";
      EXPECT_EQ(user.targets.size(), 2u);
    }();
    sheet.EndDialog(ui::IDCANCEL);
  });
  sheet.DoModal();
}

TEST_F(GtkBackendTest, ModalDialogShowsEveryControlAtItsTemplatePixels) {
  for (int id : {142, 157, 159}) {
    SCOPED_TRACE("dialog " + std::to_string(id));
    CountingDialog dialog(id);
    WhenShown([&] {
      [&] {
        GtkWidget* top = WidgetOf(dialog);
        ASSERT_TRUE(gui::WaitForDrawn(top)) << "the dialog is drawn";
        EXPECT_TRUE(gui::SaveScreenshot(top, "dialog-" + std::to_string(id)));
        const ui::Rect client = AllocationIn(ClientOf(dialog), ClientOf(dialog));
        EXPECT_EQ(client, dialog.GetClientRect()) << "client area from the template";
        gui::ExpectWidgetsFollowTheModel(dialog);
        gui::ExpectControlsAt(dialog, gui::TemplatePlacements(dialog));
      }();
      dialog.EndDialog(ui::IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), ui::IDOK) << "the dialog ends with the result it was given";
  }
}

TEST_F(GtkBackendTest, UserInputReachesTheModelAndModelChangesAreNotReportedBack) {
  CountingDialog dialog(159);
  WhenShown([&] {
    [&] {
      ASSERT_TRUE(gui::WaitForDrawn(WidgetOf(dialog)));
      ui::Control* address = dialog.GetDlgItem(1114);
      ui::Control* proxy = dialog.GetDlgItem(1113);
      ui::Control* password = dialog.GetDlgItem(1327);
      GtkEntry* entry = GTK_ENTRY(InputWidgetOf(*address));

      address->SetWindowText(test::Sjis("proxy.example"));
      EXPECT_STREQ(gtk_entry_get_text(entry), "proxy.example") << "model text is shown";
      proxy->SetCheck(1);
      EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(WidgetOf(*proxy))))
          << "model check is shown";
      EXPECT_TRUE(dialog.notifications.empty()) << "model changes are not reported as input";

      gtk_button_clicked(GTK_BUTTON(WidgetOf(*proxy)));
      EXPECT_EQ(proxy->GetCheck(), 0) << "a click toggles the check box in the model";
      EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(WidgetOf(*proxy))));
      EXPECT_EQ(dialog.Count(ui::BN_CLICKED, 1113), 1) << "one click, one notification";

      // Typing beyond the byte limit: a paste is cut at a whole character.
      address->SetLimitText(5);
      gtk_entry_set_text(entry, "");
      dialog.notifications.clear();
      gtk_widget_grab_focus(GTK_WIDGET(entry));
      gint pos = 0;
      gtk_editable_insert_text(GTK_EDITABLE(entry), "あいう", -1, &pos);
      EXPECT_EQ(test::Utf8(address->GetWindowText()), "あい") << "5 bytes hold two characters";
      EXPECT_STREQ(gtk_entry_get_text(entry), "あい") << "the entry holds what fits";
      EXPECT_GE(dialog.Count(ui::EN_CHANGE, 1114), 1) << "typing notifies EN_CHANGE";
      EXPECT_EQ(dialog.Count(ui::EN_SETFOCUS, 1114), 1) << "the focus reached the model";
      EXPECT_EQ(dialog.GetFocusControl(), address);
      pos = -1;
      gtk_editable_insert_text(GTK_EDITABLE(entry), "x", -1, &pos);
      EXPECT_EQ(address->GetWindowText().size(), 5u) << "one more byte fits";
      gtk_editable_insert_text(GTK_EDITABLE(entry), "y", -1, &pos);
      EXPECT_EQ(address->GetWindowText().size(), 5u) << "nothing beyond the limit";

      EXPECT_FALSE(gtk_entry_get_visibility(GTK_ENTRY(InputWidgetOf(*password))))
          << "the password field hides its text";
      password->SetInputMethod(ui::InputMethod::Detached);
      gchar* module = nullptr;
      g_object_get(InputWidgetOf(*password), "im-module", &module, nullptr);
      EXPECT_STREQ(module, "gtk-im-context-none") << "a detached input method takes no input";
      g_free(module);

      address->EnableWindow(false);
      EXPECT_FALSE(gtk_widget_is_sensitive(WidgetOf(*address))) << "disabled in the model";
      address->ShowWindow(false);
      EXPECT_FALSE(gtk_widget_get_visible(WidgetOf(*address))) << "hidden in the model";
    }();
    dialog.EndDialog(ui::IDCANCEL);
  });
  dialog.DoModal();
}

TEST_F(GtkBackendTest, MultiLineEditsShowTheirStyleTextToolTipAndScrollPosition) {
  ui::Dialog dialog(147);
  WhenShown([&] {
    [&] {
      ASSERT_TRUE(gui::WaitForDrawn(WidgetOf(dialog)));
      ui::Control* notice = dialog.GetDlgItem(1101);
      ui::Control* log = dialog.GetDlgItem(1097);
      GtkTextView* noticeView = GTK_TEXT_VIEW(InputWidgetOf(*notice));
      EXPECT_FALSE(gtk_text_view_get_editable(noticeView)) << "read-only edit";
      EXPECT_EQ(gtk_text_view_get_justification(noticeView), GTK_JUSTIFY_CENTER) << "centred edit";

      std::string lines;
      for (int i = 0; i < 40; ++i) lines += "line " + std::to_string(i) + "\r\n";
      log->SetWindowText(lines);
      GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(InputWidgetOf(*log)));
      EXPECT_EQ(gtk_text_buffer_get_line_count(buffer), 41) << "CR LF lines become lines";
      log->LineScroll(30);
      GtkAdjustment* v = gtk_scrolled_window_get_vadjustment(GTK_SCROLLED_WINDOW(WidgetOf(*log)));
      EXPECT_TRUE(gui::WaitUntil([&] { return gtk_adjustment_get_value(v) > 0; }))
          << "the edit scrolled down to the first visible line";

      log->SetToolTipText(test::Sjis("ﾒｰﾙｱｶｳﾝﾄ"));
      gchar* tip = gtk_widget_get_tooltip_text(WidgetOf(*log));
      EXPECT_STREQ(tip, "ﾒｰﾙｱｶｳﾝﾄ") << "tooltip text in UTF-8";
      g_free(tip);
      log->SetToolTipText("");
      EXPECT_FALSE(gtk_widget_get_has_tooltip(WidgetOf(*log))) << "an empty tip removes it";
    }();
    dialog.EndDialog(ui::IDOK);
  });
  dialog.DoModal();
}

TEST_F(GtkBackendTest, ComboSelectionAndItemsFollowTheModelAndTheUser) {
  CountingDialog dialog(157);
  WhenShown([&] {
    [&] {
      ASSERT_TRUE(gui::WaitForDrawn(WidgetOf(dialog)));
      dialog.notifications.clear();  // the list got the focus when the dialog opened
      ui::Control* modems = dialog.GetDlgItem(1102);
      ui::Control* prefix = dialog.GetDlgItem(1108);
      modems->AddString(test::Sjis("モデムA"));
      modems->AddString(test::Sjis("モデムB"));
      modems->SetCurSel(1);
      GtkComboBox* list = GTK_COMBO_BOX(WidgetOf(*modems));
      EXPECT_EQ(gtk_combo_box_get_active(list), 1) << "model selection is shown";
      EXPECT_TRUE(dialog.notifications.empty()) << "no notification for a model change";

      gtk_combo_box_set_active(list, 0);
      EXPECT_EQ(modems->GetCurSel(), 0) << "the user's choice reaches the model";
      EXPECT_EQ(dialog.Count(ui::CBN_SELCHANGE, 1102), 1);
      EXPECT_EQ(test::Utf8(modems->GetWindowText()), "モデムA");

      GtkComboBox* editable = GTK_COMBO_BOX(WidgetOf(*prefix));
      gtk_combo_box_set_active(editable, 2);
      EXPECT_EQ(prefix->GetCurSel(), 2);
      EXPECT_EQ(prefix->GetWindowText(), "9,") << "the chosen item becomes the text";
      gtk_entry_set_text(GTK_ENTRY(InputWidgetOf(*prefix)), "0");
      EXPECT_EQ(prefix->GetWindowText(), "0") << "typing in an editable combo";
      EXPECT_GE(dialog.Count(ui::CBN_EDITCHANGE, 1108), 1);

      modems->ResetContent();
      EXPECT_EQ(gtk_combo_box_get_active(list), -1) << "emptied list has no selection";
      GtkTreeModel* model = gtk_combo_box_get_model(list);
      EXPECT_EQ(gtk_tree_model_iter_n_children(model, nullptr), 0) << "items are gone";
    }();
    dialog.EndDialog(ui::IDCANCEL);
  });
  dialog.DoModal();
}

TEST_F(GtkBackendTest, EnterGoesToTheDefaultButtonAndEscapeCancels) {
  // 142's default button is Redial: Enter must not end the dial dialog.
  CountingDialog progress(142);
  WhenShown([&] {
    [&] {
      GtkWidget* top = WidgetOf(progress);
      ASSERT_TRUE(gui::WaitForDrawn(top));
      GdkEvent* key = gdk_event_new(GDK_KEY_PRESS);
      key->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(top)));
      key->key.keyval = GDK_KEY_Return;
      gboolean handled = FALSE;
      g_signal_emit_by_name(top, "key-press-event", key, &handled);
      EXPECT_TRUE(handled) << "Enter is the dialog's";
      EXPECT_EQ(progress.Count(ui::BN_CLICKED, 1038), 1) << "Enter presses the default button";
      EXPECT_FALSE(progress.IsModalEnded()) << "Enter does not end the dial dialog";
      progress.GetDlgItem(1038)->EnableWindow(false);
      g_signal_emit_by_name(top, "key-press-event", key, &handled);
      EXPECT_EQ(progress.Count(ui::BN_CLICKED, 1038), 1) << "a disabled default does nothing";
      key->key.keyval = GDK_KEY_Escape;
      g_signal_emit_by_name(top, "key-press-event", key, &handled);
      gdk_event_free(key);
    }();
    if (!progress.IsModalEnded()) progress.EndDialog(ui::IDOK);
  });
  EXPECT_EQ(progress.DoModal(), ui::IDCANCEL) << "Escape cancels";
}

TEST_F(GtkBackendTest, MessageBoxNestedInAModalDialogReturnsTheButtonPressed) {
  CountingDialog dialog(159);
  const std::string title = test::Utf8(app_.appName);
  struct Press {
    std::string title;
    int button;
    bool pressed = false;
    GtkWindow* owner = nullptr;
  };
  // Presses a button of the box from a timer, as a person would while the box's loop runs.
  auto pressLater = [](Press* press) {
    g_timeout_add(
        10,
        [](gpointer data) -> gboolean {
          auto* p = static_cast<Press*>(data);
          GtkWidget* box = gui::FindMessageBox(p->title);
          if (box == nullptr || !gtk_widget_get_mapped(box)) return G_SOURCE_CONTINUE;
          GtkWidget* button = gtk_dialog_get_widget_for_response(GTK_DIALOG(box), p->button);
          if (button == nullptr) {
            gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_DELETE_EVENT);
          } else {
            gtk_button_clicked(GTK_BUTTON(button));
          }
          gui::SaveScreenshot(box, "message-box-" + std::to_string(p->button));
          p->owner = gtk_window_get_transient_for(GTK_WINDOW(box));
          p->pressed = true;
          return G_SOURCE_REMOVE;
        },
        press);
  };
  int yes = 0, no = 0, cancel = 0, ok = 0;
  WhenShown([&] {
    ASSERT_TRUE(gui::WaitForDrawn(WidgetOf(dialog)));
    Press pressNo{title, ui::IDNO};
    pressLater(&pressNo);
    no = ui::MessageBox(test::Sjis("続けますか？\r\n二行目"), ui::MB_YESNO | ui::MB_ICONQUESTION);
    EXPECT_EQ(pressNo.owner, GTK_WINDOW(WidgetOf(dialog))) << "the box sits on the modal dialog";
    Press pressYes{title, ui::IDYES};
    pressLater(&pressYes);
    yes = ui::MessageBox(test::Sjis("はい"), ui::MB_YESNOCANCEL);
    // Escape (or the close box) on an OK/Cancel box answers Cancel, on a lone OK box OK.
    Press escape{title, -1};
    pressLater(&escape);
    cancel = ui::MessageBox(test::Sjis("中止"), ui::MB_OKCANCEL | ui::MB_ICONSTOP);
    Press escapeOk{title, -2};
    pressLater(&escapeOk);
    ok = ui::MessageBox(test::Sjis("情報"), ui::MB_OK | ui::MB_ICONINFORMATION);
    dialog.EndDialog(ui::IDOK);
  });
  EXPECT_EQ(dialog.DoModal(), ui::IDOK) << "the dialog goes on after its message boxes";
  EXPECT_EQ(no, ui::IDNO) << "No pressed";
  EXPECT_EQ(yes, ui::IDYES) << "Yes pressed";
  EXPECT_EQ(cancel, ui::IDCANCEL) << "Escape on OK/Cancel";
  EXPECT_EQ(ok, ui::IDOK) << "Escape on OK";
}

TEST_F(GtkBackendTest, TimersRepeatUntilKilledAndDieWithTheirWindow) {
  class Ticking : public ui::Dialog {
   public:
    using Dialog::Dialog;
    bool OnInitDialog() override {
      SetTimer(10, 0);
      return Dialog::OnInitDialog();
    }
    void OnTimer(UINT id) override {
      ++calls;
      if (id == 10) {
        KillTimer(10);
        firstAfterPaint = painted;
      }
      if (id == 7 && ++sevens == 3) KillTimer(7);
      if (id == 8 && sevens >= 3) EndDialog(ui::IDOK);
    }
    int sevens = 0;
    int calls = 0;
    bool firstAfterPaint = false;
    bool painted = false;
  };
  Ticking dialog(142);
  // Work a dialog starts from a timer (the dial) comes after the dialog shows, never over a blank.
  const guint signal = g_signal_lookup("draw", GTK_TYPE_WIDGET);
  const gulong hook = g_signal_add_emission_hook(
      signal, 0,
      +[](GSignalInvocationHint*, guint, const GValue* values, gpointer painted) -> gboolean {
        if (GTK_IS_WINDOW(g_value_get_object(values))) *static_cast<bool*>(painted) = true;
        return TRUE;
      },
      &dialog.painted, nullptr);
  WhenShown([&] {
    dialog.SetTimer(7, 5);
    dialog.SetTimer(8, 40);
    dialog.SetTimer(9, 1);  // still running when the dialog goes away
  });
  EXPECT_EQ(dialog.DoModal(), ui::IDOK) << "timer 8 ended the dialog";
  g_signal_remove_emission_hook(signal, hook);
  EXPECT_TRUE(dialog.firstAfterPaint) << "a timer set at initialisation waits for the first paint";
  EXPECT_EQ(dialog.sevens, 3) << "timer 7 fired until it was killed";
  const int calls = dialog.calls;
  ui::PumpMessagesFor(20);
  EXPECT_EQ(dialog.calls, calls) << "no timer reaches a destroyed dialog";
}

TEST_F(GtkBackendTest, PumpingForAPeriodHandlesPostedWorkAndWaitsTheWholePeriod) {
  std::vector<int> order;
  gui::Backend()->Post([&] { order.push_back(1); });
  gui::Backend()->Post([&] { order.push_back(2); });
  const DWORD start = ui::TickCount();
  ui::PumpMessagesFor(50);
  EXPECT_GE(ui::TickCount() - start, 50u) << "the period is waited out";
  EXPECT_EQ(order, (std::vector<int>{1, 2})) << "posted work runs in order";
  gui::Backend()->Post([&] { order.push_back(3); });
  ui::PumpMessages();
  EXPECT_EQ(order.size(), 3u) << "pending work is handled";
}

TEST_F(GtkBackendTest, WaitCursorCoversTheWindowsWhileOn) {
  ui::Dialog dialog(142);
  WhenShown([&] {
    [&] {
      GtkWidget* top = WidgetOf(dialog);
      ASSERT_TRUE(gui::WaitForDrawn(top));
      GdkWindow* window = gtk_widget_get_window(top);
      {
        ui::WaitCursor wait;
        EXPECT_NE(gdk_window_get_cursor(window), nullptr) << "the wait cursor is shown";
      }
      EXPECT_EQ(gdk_window_get_cursor(window), nullptr) << "the normal cursor is back";
    }();
    dialog.EndDialog(ui::IDOK);
  });
  dialog.DoModal();
}

TEST_F(GtkBackendTest, WaitCursorCoversTheTextFieldsTooAndEachGetsItsOwnCursorBack) {
  ui::Dialog dialog(159);
  WhenShown([&] {
    [&] {
      GtkWidget* top = WidgetOf(dialog);
      ASSERT_TRUE(gui::WaitForDrawn(top));
      const std::vector<GdkWindow*> windows = gui::WindowsInside(gtk_widget_get_window(top));
      std::vector<GdkCursor*> own;
      for (GdkWindow* w : windows) own.push_back(gdk_window_get_cursor(w));
      ASSERT_NE(std::count(own.begin(), own.end(), nullptr), static_cast<long>(own.size()))
          << "the text fields show a cursor of their own";
      {
        ui::WaitCursor wait;
        GdkCursor* shown = gdk_window_get_cursor(windows.front());
        ASSERT_NE(shown, nullptr) << "the wait cursor is shown";
        for (GdkWindow* w : windows) EXPECT_EQ(gdk_window_get_cursor(w), shown);
        // A text field sets its cursor again whenever its state changes, as when the pointer
        // comes over it: the wait cursor stays.
        GtkWidget* address = InputWidgetOf(*dialog.GetDlgItem(1114));
        gtk_widget_set_state_flags(address, GTK_STATE_FLAG_PRELIGHT, FALSE);
        gtk_widget_unset_state_flags(address, GTK_STATE_FLAG_PRELIGHT);
        for (GdkWindow* w : windows) EXPECT_EQ(gdk_window_get_cursor(w), shown);
      }
      for (size_t i = 0; i < windows.size(); ++i)
        EXPECT_EQ(gdk_window_get_cursor(windows[i]), own[i])
            << "window " << i << " has its own back";
    }();
    dialog.EndDialog(ui::IDOK);
  });
  dialog.DoModal();
}

TEST_F(GtkBackendTest, AltWithAMarkedLetterClicksTheControlWhileItCanBeClicked) {
  CountingDialog progress(142);
  WhenShown([&] {
    [&] {
      GtkWidget* top = WidgetOf(progress);
      ASSERT_TRUE(gui::WaitForDrawn(top));
      // "切断(&U)" is hidden and disabled: Alt+U passes it by; Alt+R is "ﾘﾀﾞｲﾔﾙ(&R)".
      gui::PressKey(top, GDK_KEY_u, GDK_MOD1_MASK);
      gui::PressKey(top, GDK_KEY_r, GDK_MOD1_MASK);
      EXPECT_TRUE(gui::WaitUntil([&] { return progress.Count(ui::BN_CLICKED, 1038) == 1; }))
          << "Alt+R is Redial";
      EXPECT_EQ(progress.Count(ui::BN_CLICKED, 1037), 0) << "a hidden button takes no Alt+U";
      ui::Control* hangUp = progress.GetDlgItem(1037);
      hangUp->ShowWindow(true);
      hangUp->EnableWindow(true);
      gui::PressKey(top, GDK_KEY_u, GDK_MOD1_MASK);
      EXPECT_TRUE(gui::WaitUntil([&] { return progress.Count(ui::BN_CLICKED, 1037) == 1; }))
          << "Alt+U once it is shown";
    }();
    progress.EndDialog(ui::IDOK);
  });
  progress.DoModal();

  CountingDialog lan(159);
  WhenShown([&] {
    gui::PressKey(WidgetOf(lan), GDK_KEY_x, GDK_MOD1_MASK);
    EXPECT_TRUE(gui::WaitUntil([&] { return lan.IsDlgButtonChecked(1113) == 1; }))
        << "Alt+X checks \"ﾌﾟﾛｷｼｻｰﾊﾞｰを使用する(&X)\"";
    EXPECT_EQ(lan.Count(ui::BN_CLICKED, 1113), 1);
    lan.EndDialog(ui::IDOK);
  });
  lan.DoModal();
}

TEST_F(GtkBackendTest, PresenceWindowExistsOnlyOnceMade) {
  EXPECT_FALSE(ui::FindPresenceWindow("Signup_Gui_Test_Class")) << "none before";
  ASSERT_TRUE(ui::RegisterWindowClass("Signup_Gui_Test_Class"));
  EXPECT_NE(ui::CreatePresenceWindow("Signup_Gui_Test_Class"), nullptr);
  EXPECT_TRUE(ui::FindPresenceWindow("Signup_Gui_Test_Class")) << "found once made";
}

}  // namespace
