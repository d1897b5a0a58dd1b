// Tests of the page pictures' layout table against the templates and the committed pictures: every
// page control has a rectangle, no control covers lettering, and the names use the pictures' words.
#include "res/page_art.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "platform/codepage.h"
#include "res/resources.h"

namespace {

TEST(PageArtTest, EveryPageControlHasARectangleWhereItsTemplatePutsIt) {
  ASSERT_EQ(res::PageLayouts().size(), 7u);
  for (const res::PageLayout& layout : res::PageLayouts()) {
    SCOPED_TRACE("page " + std::to_string(layout.templateId));
    const res::DialogTemplate* t = res::FindDialog(layout.templateId);
    ASSERT_NE(t, nullptr) << "the layout is of a template";
    EXPECT_EQ(t->controls.size(), layout.controls.size()) << "one rectangle per control";
    for (const res::ControlTemplate& c : t->controls) {
      const res::PixelRect* r = nullptr;
      for (const res::PixelRect& candidate : layout.controls)
        if (candidate.id == c.id) r = &candidate;
      ASSERT_NE(r, nullptr) << "control " << c.id << " has a rectangle";
      // The template holds the same place in dialog units (1.5 x 1.625 pixels each).
      EXPECT_NEAR(c.x * 1.5, r->x, 1.0) << "control " << c.id;
      EXPECT_NEAR(c.y * 1.625, r->y, 1.0) << "control " << c.id;
      EXPECT_GE(r->y, res::kBandHeight) << "control " << c.id << " stays below the title band";
      EXPECT_LE(r->x + r->w, 448) << "control " << c.id;
      EXPECT_LE(r->y + res::ShownRect(layout, *r).h, 310) << "control " << c.id;
    }
  }
}

// The committed pictures were drawn from this table: a control on them covers no lettering, and
// every picture carries lettering where the table puts its heading.
TEST(PageArtTest, NoControlCoversLetteringOfTheCommittedPictures) {
  for (const res::PageLayout& layout : res::PageLayouts()) {
    SCOPED_TRACE("page " + std::to_string(layout.templateId));
    res::Bitmap picture;
    ASSERT_TRUE(res::LoadBitmap(layout.bitmap, picture));
    ASSERT_EQ(picture.width, 448);
    ASSERT_EQ(picture.height, 310);
    int lettering = 0;
    for (int y = 0; y < res::kBandHeight; ++y)
      for (int x = 0; x < 200; ++x) lettering += res::IsLettering(picture, x, y);
    EXPECT_GT(lettering, 50) << "the band carries the page heading";
    for (const res::PixelRect& c : layout.controls) {
      const res::PixelRect r = res::ShownRect(layout, c);
      for (int y = r.y; y < r.y + r.h; ++y)
        for (int x = r.x; x < r.x + r.w; ++x)
          ASSERT_FALSE(res::IsLettering(picture, x, y))
              << "control " << c.id << " covers lettering at " << x << "," << y;
    }
  }
}

TEST(PageArtTest, LetteringBelongsToControlsOfItsPicturesPages) {
  for (const res::PagePicture& art : res::PagePictures()) {
    std::set<int> ids;
    for (const res::PageLayout& l : res::PageLayouts()) {
      if (l.bitmap != art.bitmap) continue;
      for (const res::PixelRect& c : l.controls) ids.insert(c.id);
    }
    EXPECT_FALSE(ids.empty()) << "picture " << art.bitmap << " is shown by a page";
    for (const res::Lettering& l : art.lettering) {
      if (l.anchor == res::Anchor::At) continue;
      EXPECT_TRUE(ids.count(l.control)) << "\"" << l.text << "\" on picture " << art.bitmap;
      EXPECT_TRUE(l.anchor != res::Anchor::Between || ids.count(l.other))
          << "\"" << l.text << "\" on picture " << art.bitmap;
    }
  }
  for (const res::PageLayout& l : res::PageLayouts())
    EXPECT_EQ(res::PictureSteps(l.bitmap), (std::vector<int>{l.step}))
        << "the picture of step " << l.step << " shows that step alone in its band";
}

// A screen reader says what the picture shows: the first word of every page control's name is a
// word of its picture or its heading.
TEST(PageArtTest, EveryPageControlIsNamedWithTheWordsOfItsPicture) {
  for (const res::PageLayout& layout : res::PageLayouts()) {
    const res::PagePicture* art = res::FindPagePicture(layout.bitmap);
    ASSERT_NE(art, nullptr);
    std::set<std::string> words{art->heading};
    for (const res::Lettering& l : art->lettering) {
      std::string w = l.text;
      std::replace(w.begin(), w.end(), '\n', ' ');
      if (!w.empty() && w.back() == ':') w.pop_back();
      words.insert(w);
    }
    for (const res::PixelRect& c : layout.controls) {
      const res::ControlNames names = res::FindControlNames(layout.templateId, c.id);
      const std::string name = platform::AnsiToUtf8(names.name);
      ASSERT_FALSE(name.empty()) << "control " << c.id << " of page " << layout.templateId;
      const res::DialogTemplate* t = res::FindDialog(layout.templateId);
      bool ownText = false;
      for (const res::ControlTemplate& ct : t->controls)
        ownText = ownText || (ct.id == c.id && *ct.text != '\0');
      bool fromPicture = false;
      for (const std::string& w : words) fromPicture = fromPicture || name.rfind(w, 0) == 0;
      // Text boxes are named for what they hold; the picture frames them without a label.
      const bool textBox = c.h >= 48 && c.w >= 400;
      EXPECT_TRUE(fromPicture || ownText || textBox)
          << "control " << c.id << " is named \"" << name << "\", a word its picture lacks";
    }
  }
}

}  // namespace
