// The wizard sheet: page area, pictures, button operations and the pages' chrome.
#include <gtest/gtest.h>

#include <map>

#include "app/SignApp.h"
#include "pages/SignPages.h"
#include "support/shell_wizard.h"
#include "support/test_support.h"
#include "ui/headless/headless_backend.h"

namespace {

using ui::headless::HeadlessBackend;

// Remembers where every page was last put, and which pages were shown.
class ProbeBackend : public HeadlessBackend {
 public:
  using HeadlessBackend::HeadlessBackend;
  void Update(ui::Window& window, ui::Change what) override {
    HeadlessBackend::Update(window, what);
    if (dynamic_cast<ui::PropertyPage*>(&window) != nullptr && what == ui::Change::Geometry)
      lastRect[&window] = window.GetWindowRect();
  }
  void DrawBitmap(ui::Window& window, const ui::Bitmap& bitmap, int x, int y, int w, int h, int sx,
                  int sy) override {
    HeadlessBackend::DrawBitmap(window, bitmap, x, y, w, h, sx, sy);
    if (auto* page = dynamic_cast<ui::PropertyPage*>(&window))
      painted[page->GetTemplateId()] = {bitmap.GetId(), w * 10000 + h};
  }
  std::map<ui::Window*, ui::Rect> lastRect;
  std::map<int, std::pair<int, int>> painted;  // template -> (bitmap, w*10000+h)
};

class SignStartTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::ScopedEnv registry{"SIGNUP_REGISTRY", dir.File("registry.db")};
  CSignApp app;
  ui::headless::Transcript transcript{"/dev/null"};

  std::unique_ptr<ProbeBackend> Play(const std::string& scenario) {
    auto s = std::make_unique<ui::headless::Scenario>();
    std::string error;
    EXPECT_TRUE(s->Parse(scenario, error)) << error;
    auto b = std::make_unique<ProbeBackend>(std::move(s), &transcript);
    ui::SetBackend(b.get());
    return b;
  }
  // Runs the wizard modally as the application does.
  void RunWizard(CSignStart& wizard) {
    app.sheet = &wizard;
    wizard.AddWizardPages();
    wizard.DoModal();
    app.sheet = nullptr;
  }
  void TearDown() override { ui::SetBackend(nullptr); }
};

TEST_F(SignStartTest, PageAreaIs448By310OnEveryPageAfterBackAndNext) {
  auto backend = Play(
      "click 0x3024\nclick 0x3024\nclick 0x3024\nclick 0x3023\nclick 0x3024\nclick 0x3024\n"
      "click 0x3024\nclick 0x3024\nexpect page 6\nclick 0x3023\nclick 2\n");
  test::ShellWizard wizard;
  RunWizard(wizard);
  EXPECT_FALSE(backend->HasFailed()) << backend->GetFailure();
  EXPECT_EQ(wizard.GetPageRect().Width(), 448);
  EXPECT_EQ(wizard.GetPageRect().Height(), 310);
  ASSERT_EQ(backend->lastRect.size(), 7u) << "every page was shown";
  for (const auto& [page, rect] : backend->lastRect) {
    EXPECT_EQ(rect, wizard.GetPageRect())
        << "page template " << static_cast<ui::PropertyPage*>(page)->GetTemplateId();
  }
}

TEST_F(SignStartTest, SheetHasNoHelpButtonAndItsButtonsSitBelowThePageArea) {
  auto backend = Play("click 2\n");
  struct Probe : CSignWizard {
    using CSignWizard::CSignWizard;
    bool OnInitDialog() override {
      const bool r = CSignWizard::OnInitDialog();
      for (int id : {static_cast<int>(ui::ID_WIZBACK), static_cast<int>(ui::ID_WIZNEXT),
                     static_cast<int>(ui::IDCANCEL)})
        belowPage = belowPage && GetDlgItem(id)->GetWindowRect().top >= GetPageRect().bottom;
      tabHidden = !GetTabControl()->IsWindowVisible();
      return r;
    }
    bool belowPage = true, tabHidden = false;
  } wizard(false, nullptr);
  RunWizard(wizard);
  EXPECT_FALSE(backend->HasFailed()) << backend->GetFailure();
  EXPECT_TRUE(wizard.belowPage);
  for (UINT command : {ui::SC_MAXIMIZE, ui::SC_MINIMIZE, ui::SC_SIZE})
    EXPECT_FALSE(wizard.GetSystemMenu().IsEnabled(command)) << "system command " << command;
  EXPECT_TRUE(wizard.GetSystemMenu().IsEnabled(ui::SC_CLOSE));
  EXPECT_TRUE(wizard.tabHidden);
  EXPECT_EQ(wizard.GetDlgItem(ui::ID_SHEET_HELP), nullptr);
  for (ui::PropertyPage* p : {static_cast<ui::PropertyPage*>(&wizard.page1),
                              static_cast<ui::PropertyPage*>(&wizard.page7)})
    EXPECT_EQ(p->pageFlags & ui::PSP_HASHELP, 0u);
}

TEST_F(SignStartTest, EveryPagePaintsItsOwnPictureWhole) {
  const std::pair<int, int> expected[] = {{146, 149}, {151, 150}, {152, 151}, {143, 152},
                                          {153, 153}, {145, 158}, {154, 156}};
  // The real pages carry their templates and pictures...
  CSignWizard real(false, nullptr);
  const CSignPage* pages[] = {&real.page1, &real.page2, &real.page3, &real.page4,
                              &real.page5, &real.page6, &real.page7};
  for (size_t i = 0; i < std::size(pages); ++i) {
    EXPECT_EQ(pages[i]->GetTemplateId(), expected[i].first) << "page " << i;
    EXPECT_EQ(pages[i]->bitmap.GetId(), expected[i].second) << "page " << i;
  }
  // ... and every page paints its picture whole.
  auto backend = Play(
      "click 0x3024\nclick 0x3024\nclick 0x3024\nclick 0x3024\nclick 0x3024\n"
      "click 0x3024\nclick 2\n");
  test::ShellWizard wizard;
  RunWizard(wizard);
  EXPECT_FALSE(backend->HasFailed()) << backend->GetFailure();
  for (const auto& [page, bitmap] : expected) {
    EXPECT_EQ(backend->painted[page].first, bitmap) << "template " << page;
    EXPECT_EQ(backend->painted[page].second, 448 * 10000 + 310) << "template " << page;
  }
}

TEST_F(SignStartTest, ButtonOperationsSetCaptionsAndIgnoreUnknownIds) {
  auto backend = Play("click 2\n");
  struct Probe : CSignWizard {
    using CSignWizard::CSignWizard;
    bool OnInitDialog() override {
      const bool r = CSignWizard::OnInitDialog();
      SetAgreeButtons();
      agreeNext = GetDlgItem(ui::ID_WIZNEXT)->GetWindowText();
      agreeBack = GetDlgItem(ui::ID_WIZBACK)->GetWindowText();
      SetYesNoButtons();
      yesNext = GetDlgItem(ui::ID_WIZNEXT)->GetWindowText();
      EnableBackNext(false);
      backNextDisabled = !GetDlgItem(ui::ID_WIZBACK)->IsWindowEnabled() &&
                         !GetDlgItem(ui::ID_WIZNEXT)->IsWindowEnabled();
      SetStandardButtons();
      standardNext = GetDlgItem(ui::ID_WIZNEXT)->GetWindowText();
      EnableButton(4242, false);
      DisableButton(4243);
      ShowButton(4244, false);
      ShowButton(2, false);
      cancelHidden = !GetDlgItem(2)->IsWindowVisible();
      ShowButton(2, true);
      return r;
    }
    std::string agreeNext, agreeBack, yesNext, standardNext;
    bool backNextDisabled = false, cancelHidden = false;
  } wizard(false, nullptr);
  RunWizard(wizard);
  EXPECT_FALSE(backend->HasFailed()) << backend->GetFailure();
  EXPECT_EQ(test::Utf8(wizard.agreeNext), "同意する(&A)");
  EXPECT_EQ(test::Utf8(wizard.agreeBack), "同意しない(&N)");
  EXPECT_EQ(test::Utf8(wizard.yesNext), "はい(&Y) >");
  EXPECT_EQ(test::Utf8(wizard.standardNext), "次へ(&N) >");
  EXPECT_TRUE(wizard.backNextDisabled);
  EXPECT_TRUE(wizard.cancelHidden);
}

TEST_F(SignStartTest, UserInformationIsCopiedIntoThePages) {
  app.Kana = "K";
  app.EntryCode2 = "345";
  app.Sex = "fema";
  app.LoginID = "id1";
  app.LoginPasswd = "pw";
  app.Comm_name = "nick";
  CSignWizard wizard(false, nullptr);
  wizard.CopyUserInfoToPages();
  EXPECT_EQ(wizard.page3.entries.Kana, "K");
  EXPECT_EQ(wizard.page3.entries.EntryCode2, "345");
  EXPECT_EQ(test::Utf8(wizard.page3.entries.Sex), "女");
  EXPECT_EQ(wizard.page5.LoginID, "id1");
  EXPECT_EQ(wizard.page5.LoginPasswd, "pw");
  EXPECT_EQ(wizard.page5.Comm_name, "nick");
  app.Sex = "male";
  wizard.CopyUserInfoToPages();
  EXPECT_EQ(test::Utf8(wizard.page3.entries.Sex), "男");
}

}  // namespace
