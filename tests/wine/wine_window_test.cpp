// The Win32 backend's real window under Wine on a private Xvfb display: signup.exe shows the
// start page in a page area of 448 x 310 pixels with its controls at their places; window_probe
// (run beside it in the same Wine) reads the windows and takes the picture, saved as
// build/test-screenshots/windows-start.png.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <sstream>

#include "res/page_art.h"
#include "res/resource_ids.h"
#include "support/xvfb_fixture.h"
#include "wine_run.h"

namespace {

struct Shown {
  int x = 0, y = 0, w = 0, h = 0;
  bool visible = false;
};

// window_probe's lines: "page X Y W H client W H" and "control ID X Y W H VISIBLE CLASS".
struct Probe {
  Shown page, pageClient;
  std::map<int, Shown> controls;
};

Probe Parse(const std::string& out) {
  Probe p;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream in(line);
    std::string kind, word;
    in >> kind;
    if (kind == "page") {
      in >> p.page.x >> p.page.y >> p.page.w >> p.page.h >> word >> p.pageClient.w >>
          p.pageClient.h;
    } else if (kind == "control") {
      int id = 0;
      Shown s;
      int visible = 0;
      in >> id >> s.x >> s.y >> s.w >> s.h >> visible;
      s.visible = visible != 0;
      p.controls[id] = s;
    }
  }
  return p;
}

bool SavePng(const std::string& bmp, const std::string& png) {
  GdkPixbuf* picture = gdk_pixbuf_new_from_file(bmp.c_str(), nullptr);
  if (!picture) return false;
  std::filesystem::create_directories(std::filesystem::path(png).parent_path());
  const bool saved = gdk_pixbuf_save(picture, png.c_str(), "png", nullptr, nullptr);
  g_object_unref(picture);
  return saved;
}

TEST(WineWindowTest, TheStartPageShowsItsPageAreaAndControlsAtTheirPlaces) {
  SKIP_WITHOUT_WINE();
  // The headless tests before this one leave a desktop without a display behind them.
  wine::FreshDesktop desktop;
  ASSERT_TRUE(desktop.ok());
  test::XvfbDisplay display;
  ASSERT_TRUE(display.ok()) << display.error();
  wine::WineRun run;
  ASSERT_TRUE(run.AddModem("Wine Modem"));
  run.SetEnv("DISPLAY", display.display());
  const pid_t program = run.Start("signup.exe", {});
  ASSERT_GT(program, 0);
  const std::string bmp = run.dir().File("windows-start.bmp");
  const test::ProgramResult probe =
      run.Run("window_probe.exe", {"Orvel_Signup_App", wine::WindowsPath(bmp)});
  if (probe.exit != 0) {
    test::StopChild(program, SIGKILL);
    FAIL() << "window_probe found no wizard: " << probe.out << probe.err;
  }
  // The probe pressed Cancel: the program ends by itself.
  EXPECT_EQ(test::WaitChild(program), 0);

  const std::string png = std::filesystem::path(SIGNUP_BIN_DIR).parent_path() / "test-screenshots" /
                          "windows-start.png";
  EXPECT_TRUE(SavePng(bmp, png)) << png;

  const Probe shown = Parse(probe.out);
  EXPECT_EQ(shown.pageClient.w, 448) << probe.out;
  EXPECT_EQ(shown.pageClient.h, 310) << probe.out;
  // The start page's controls where its layout puts them, in page pixels.
  const res::PageLayout* layout = res::FindPageLayout(IDD_START_PAGE);
  ASSERT_NE(layout, nullptr);
  for (const res::PixelRect& e : layout->controls) {
    ASSERT_TRUE(shown.controls.count(e.id)) << "control " << e.id << "\n" << probe.out;
    const Shown& c = shown.controls.at(e.id);
    EXPECT_TRUE(c.visible) << e.id;
    EXPECT_EQ(c.x, e.x) << e.id;
    EXPECT_EQ(c.y, e.y) << e.id;
    EXPECT_EQ(c.w, e.w) << e.id;
    // A combo box shows only its edit part; the layout's height includes the dropped list.
    if (e.id == IDC_CONNECTION_LIST)
      EXPECT_LE(c.h, e.h) << e.id;
    else
      EXPECT_EQ(c.h, e.h) << e.id;
  }
}

}  // namespace
