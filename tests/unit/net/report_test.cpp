// Tests of the report operations: the progress log of a page and the server error box.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/SignApp.h"
#include "res/resources.h"
#include "support/test_support.h"
#include "ui/backend.h"

namespace {

// A backend that records message boxes and pumping and shows nothing.
class RecordingBackend : public ui::Backend {
 public:
  struct Box {
    std::string text;
    UINT type;
  };
  void CreateWindow(ui::Window&) override {}
  void DestroyWindow(ui::Window&) override {}
  void Update(ui::Window&, ui::Change) override {}
  void RunModal(ui::Window&) override {}
  void EndModal(ui::Window&) override {}
  int MessageBox(ui::Window*, const std::string& text, const std::string&, UINT type) override {
    boxes.push_back({text, type});
    return ui::IDOK;
  }
  void PumpPending() override {}
  void PumpFor(DWORD ms) override { pumped += ms; }
  DWORD TickCount() override { return pumped; }
  void Post(std::function<void()>) override {}
  void RunKeepingWindowsAlive(const std::function<void()>& work) override { work(); }
  void SetTimer(ui::Window&, UINT, UINT) override {}
  void KillTimer(ui::Window&, UINT) override {}
  void SetWaitCursor(bool) override {}
  short GetKeyState(int) override { return 0; }
  void DrawBitmap(ui::Window&, const ui::Bitmap&, int, int, int, int, int, int) override {}
  bool CreatePresenceWindow(const std::string&) override { return true; }
  bool HasPresenceWindow(const std::string&) override { return false; }

  std::vector<Box> boxes;
  DWORD pumped = 0;
};

class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override { ui::SetBackend(&backend); }
  void TearDown() override { ui::SetBackend(nullptr); }

  RecordingBackend backend;
  test::TempDir dir;
  test::ScopedEnv registry{"SIGNUP_REGISTRY", dir.File("registry.db")};
  CSignApp app;
};

}  // namespace

TEST_F(ReportTest, ServerErrorsShowAStopBoxWithTheCodeAppended) {
  app.ShowServerError(176, -1);
  app.ShowServerError("plain", 0);
  app.ShowServerError("code", 12029);
  ASSERT_EQ(backend.boxes.size(), 3u);
  EXPECT_EQ(backend.boxes[0].text, res::String(176) + "(#-1)");
  EXPECT_EQ(backend.boxes[0].type, static_cast<UINT>(ui::MB_ICONSTOP | ui::MB_OK));
  EXPECT_EQ(backend.boxes[1].text, "plain") << "code 0 adds nothing";
  EXPECT_EQ(backend.boxes[2].text, "code(#12029)") << "no blank before the code";
}

TEST_F(ReportTest, ProgressLinesAreAppendedAndScrolledIntoView) {
  res::ControlTemplate log{
      1000, res::ControlKind::Edit, "", ui::ES_MULTILINE | ui::ES_READONLY, 0, 0, 100, 50};
  ui::Control edit(nullptr, log, ui::Rect{0, 0, 100, 50});
  app.AppendProgress(&edit, "\r\nstart", 0);
  app.AppendProgress(&edit, "failed", 176);
  EXPECT_EQ(edit.GetWindowText(), "\r\nstart\r\nfailed(#176)\r\n");
  EXPECT_EQ(edit.GetFirstVisibleLine(), edit.GetLineCount() - 1) << "the newest line is in view";
  app.AppendProgress(nullptr, "ignored", 1);
}

