// The Win32 backend's real window under Wine on a private Xvfb display, at 96, 144 and 192 DPI
// (the prefix's LogPixels): signup.exe shows the start page and, over LAN and the terms, the
// user information page in a page area of 448 x 310 pixels at that scale, their controls at the
// scaled rectangles of the layout table and their pictures sharp: the page's own pixels at 96,
// in whole blocks of 2 x 2 at 192, and the picture artgen drew for 150 % at 144. window_probe
// (run beside it in the same Wine) reads the windows, takes the pictures (saved as
// build/test-screenshots/windows-start-DPI.png and windows-user-DPI.png) and last tells the
// window its DPI doubled, which must lay it out afresh.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <sstream>

#include "res/page_art.h"
#include "res/resource_ids.h"
#include "support/provider_fixture.h"
#include "support/xvfb_fixture.h"
#include "wine_run.h"

namespace {

struct Shown {
  int x = 0, y = 0, w = 0, h = 0;
  bool visible = false;
};

// window_probe's lines: "page X Y W H client W H" and "control ID X Y W H VISIBLE CLASS", for the
// start page, after "user page" for that page, and "relaid page ..." after the DPI change.
struct Probe {
  Shown page, pageClient;
  std::map<int, Shown> controls;
};

std::vector<Probe> Parse(const std::string& out) {
  std::vector<Probe> pages(1);
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream in(line);
    std::string kind, word;
    in >> kind;
    if (kind == "user" || kind == "relaid") pages.emplace_back();
    if (kind == "relaid") in >> kind;
    Probe& p = pages.back();
    if (kind == "page") {
      in >> p.page.x >> p.page.y >> p.page.w >> p.page.h >> word >> p.pageClient.w >>
          p.pageClient.h;
    } else if (kind == "control") {
      int id = 0, visible = 0;
      Shown s;
      in >> id >> s.x >> s.y >> s.w >> s.h >> visible;
      s.visible = visible != 0;
      p.controls[id] = s;
    }
  }
  return pages;
}

int Scaled(int v, int dpi) { return (v * dpi + 48) / 96; }

// Compares the page area of a screenshot (the sheet's client area) with the page's picture as
// the window must draw it at `dpi`, outside the controls; returns the pixels that differ.
int DifferingPixels(GdkPixbuf* shot, const Shown& page, const res::PageLayout& layout, int dpi) {
  res::Bitmap picture;
  int scale = 1;
  if (dpi == 144) {
    const std::string file = test::ReadFile(SIGNUP_SOURCE_DIR "/src/res/art/bitmap" +
                                            std::to_string(layout.bitmap) + "-150.bmp");
    res::ParseBitmap(reinterpret_cast<const uint8_t*>(file.data()), file.size(), picture);
  } else {
    res::LoadBitmap(layout.bitmap, picture);
    scale = dpi / 96;
  }
  if (picture.width * scale != page.w) return -1;
  const int stride = gdk_pixbuf_get_rowstride(shot), channels = gdk_pixbuf_get_n_channels(shot);
  const guchar* pixels = gdk_pixbuf_get_pixels(shot);
  int differing = 0;
  for (int y = 0; y < page.h; ++y) {
    for (int x = 0; x < page.w; ++x) {
      bool covered = false;
      for (const res::PixelRect& c : layout.controls) {
        const res::PixelRect r = res::ShownRect(layout, c);
        covered = covered || (x >= Scaled(r.x, dpi) - 1 && x <= Scaled(r.x + r.w, dpi) &&
                              y >= Scaled(r.y, dpi) - 1 && y <= Scaled(r.y + r.h, dpi));
      }
      if (covered) continue;
      const guchar* p = pixels + (page.y + y) * stride + (page.x + x) * channels;
      const uint32_t want = picture.palette[picture.pixels[y / scale * picture.width + x / scale]];
      differing += static_cast<uint32_t>((p[0] << 16) | (p[1] << 8) | p[2]) != want;
    }
  }
  return differing;
}

void ExpectLaidOut(const Probe& shown, int templateId, int dpi, GdkPixbuf* shot,
                   const std::string& what) {
  EXPECT_EQ(shown.pageClient.w, Scaled(448, dpi)) << what;
  EXPECT_EQ(shown.pageClient.h, Scaled(310, dpi)) << what;
  const res::PageLayout* layout = res::FindPageLayout(templateId);
  ASSERT_NE(layout, nullptr);
  for (const res::PixelRect& e : layout->controls) {
    ASSERT_TRUE(shown.controls.count(e.id)) << what << ": control " << e.id;
    const Shown& c = shown.controls.at(e.id);
    EXPECT_TRUE(c.visible) << what << ": " << e.id;
    EXPECT_EQ(c.x, Scaled(e.x, dpi)) << what << ": " << e.id;
    EXPECT_EQ(c.y, Scaled(e.y, dpi)) << what << ": " << e.id;
    EXPECT_EQ(c.w, Scaled(e.x + e.w, dpi) - Scaled(e.x, dpi)) << what << ": " << e.id;
    // A combo box shows only its edit part; the layout's height includes the dropped list.
    const int h = Scaled(e.y + e.h, dpi) - Scaled(e.y, dpi);
    if (res::ShownRect(*layout, e).h != e.h)
      EXPECT_LE(c.h, h) << what << ": " << e.id;
    else
      EXPECT_EQ(c.h, h) << what << ": " << e.id;
  }
  EXPECT_EQ(DifferingPixels(shot, shown.page, *layout, dpi), 0) << what << ": the picture";
}

TEST(WineWindowTest, TheStartAndUserPagesAreLaidOutAndSharpAt96144And192Dpi) {
  SKIP_WITHOUT_WINE();
  test::ProviderFixture provider;
  ASSERT_TRUE(provider.ok()) << provider.error();
  test::XvfbDisplay display(false, "1600x1200x24");
  ASSERT_TRUE(display.ok()) << display.error();
  const std::filesystem::path screenshots =
      std::filesystem::path(SIGNUP_BIN_DIR).parent_path() / "test-screenshots";
  std::filesystem::create_directories(screenshots);
  for (const int dpi : {96, 144, 192}) {
    wine::WineRun run;
    ASSERT_EQ(run.Run("reg", {"add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t",
                              "REG_DWORD", "/d", std::to_string(dpi), "/f"})
                  .exit,
              0);
    // Wine takes the DPI when it starts; this also makes its desktop on the test's display.
    wine::FreshDesktop desktop;
    ASSERT_TRUE(desktop.ok());
    ASSERT_TRUE(run.AddModem("Wine Modem"));
    ASSERT_TRUE(run.SetServers(provider.HttpUrl()));
    run.SetEnv("DISPLAY", display.display());
    const pid_t program = run.Start("signup.exe", {});
    ASSERT_GT(program, 0);
    const std::string start = run.dir().File("start.bmp"), user = run.dir().File("user.bmp");
    const test::ProgramResult probe =
        run.Run("window_probe.exe",
                {"Orvel_Signup_App", wine::WindowsPath(start), wine::WindowsPath(user)});
    if (probe.exit != 0) test::StopChild(program, SIGKILL);
    ASSERT_EQ(probe.exit, 0) << dpi << " dpi: " << probe.out << probe.err;
    EXPECT_EQ(test::WaitChild(program), 0) << "the probe pressed Cancel";

    const std::vector<Probe> shown = Parse(probe.out);
    ASSERT_EQ(shown.size(), 3u) << probe.out;
    const std::string at = std::to_string(dpi);
    for (const auto& [picture, page, templateId] :
         {std::tuple{start, 0, IDD_START_PAGE}, std::tuple{user, 1, IDD_USER_PAGE}}) {
      GdkPixbuf* shot = gdk_pixbuf_new_from_file(picture.c_str(), nullptr);
      ASSERT_NE(shot, nullptr) << picture;
      const std::string name = page == 0 ? "windows-start-" : "windows-user-";
      gdk_pixbuf_save(shot, (screenshots / (name + at + ".png")).c_str(), "png", nullptr, nullptr);
      ExpectLaidOut(shown[page], templateId, dpi, shot, name + at);
      g_object_unref(shot);
    }
    EXPECT_EQ(shown[2].pageClient.w, Scaled(448, 2 * dpi)) << "laid out afresh at twice the DPI";
    EXPECT_EQ(shown[2].pageClient.h, Scaled(310, 2 * dpi));
  }
  wine::WineRun().Run("reg", {"add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t",
                              "REG_DWORD", "/d", "96", "/f"});
}

}  // namespace
