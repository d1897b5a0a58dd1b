// Tests of the page pictures and the icon: the embedded files load at their sizes, and the BMP
// and ICO parsers reject damaged files without reading past them.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "res/page_art.h"
#include "res/resources.h"
#include "support/test_support.h"

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// A small 8-bit BMP: width w, height h (negative: top-down), `colours` palette entries where
// entry i is 0x00i0i0i0-ish, pixel (x, y) of the top-down image = (x + 2 * y) % colours.
std::vector<uint8_t> MakeBmp(int w, int h, uint32_t colours) {
  const int rows = h < 0 ? -h : h;
  const uint32_t stride = (w + 3) & ~3u;
  const uint32_t offset = 14 + 40 + colours * 4;
  std::vector<uint8_t> out = {'B', 'M'};
  Put32(out, offset + stride * rows);
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, w);
  Put32(out, static_cast<uint32_t>(h));
  Put16(out, 1);
  Put16(out, 8);
  Put32(out, 0);
  Put32(out, stride * rows);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, colours);
  Put32(out, 0);
  for (uint32_t i = 0; i < colours; ++i) Put32(out, (i << 16) | (i << 8) | 0x01);  // B=1,G=i,R=i
  for (int r = 0; r < rows; ++r) {
    int y = h < 0 ? r : rows - 1 - r;
    for (uint32_t x = 0; x < stride; ++x) {
      out.push_back(x < static_cast<uint32_t>(w) ? (x + 2 * y) % colours : 0);
    }
  }
  return out;
}

TEST(PagePictures, EveryPageBitmapLoadsAt448By310With256Colours) {
  for (int id : {149, 150, 151, 152, 153, 156, 158}) {
    res::Bitmap bmp;
    ASSERT_TRUE(res::LoadBitmap(id, bmp)) << "bitmap " << id;
    EXPECT_EQ(bmp.width, 448) << id;
    EXPECT_EQ(bmp.height, 310) << id;
    EXPECT_EQ(bmp.palette.size(), 256u) << id;
    EXPECT_EQ(bmp.pixels.size(), 448u * 310u) << id;
  }
}

TEST(PagePictures, BodyIsTheDialogBlueAndTheTopBandIsDarker) {
  res::Bitmap bmp;
  ASSERT_TRUE(res::LoadBitmap(150, bmp));
  auto colour = [&](int x, int y) { return bmp.palette[bmp.pixels[y * bmp.width + x]]; };
  auto brightness = [](uint32_t c) { return ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF); };
  EXPECT_EQ(colour(5, 300), 0x559FFFu) << "the page is the sheet's own blue at its edge";
  EXPECT_EQ(colour(200, 307), 0x559FFFu) << "and below the text boxes";
  EXPECT_LT(brightness(colour(300, 2)), brightness(colour(5, 300))) << "the band is darker";
}

TEST(PagePictures, MissingNumbersLoadNothing) {
  res::Bitmap bmp;
  bmp.width = 5;
  EXPECT_FALSE(res::LoadBitmap(154, bmp)) << "154 is a page template, not a bitmap";
  EXPECT_EQ(bmp.width, 0);
  EXPECT_TRUE(bmp.pixels.empty());
  res::Icon icon;
  EXPECT_FALSE(res::LoadIcon(129, icon));
}

TEST(BitmapParser, ReadsBottomUpAndTopDownRowsTheSameWay) {
  for (int h : {3, -3}) {
    std::vector<uint8_t> file = MakeBmp(5, h, 16);
    res::Bitmap bmp;
    ASSERT_TRUE(res::ParseBitmap(file.data(), file.size(), bmp)) << "height " << h;
    EXPECT_EQ(bmp.width, 5);
    EXPECT_EQ(bmp.height, 3);
    ASSERT_EQ(bmp.palette.size(), 256u) << "the palette is always 256 entries";
    EXPECT_EQ(bmp.palette[3], 0x00030301u) << "RGBQUAD is blue, green, red";
    EXPECT_EQ(bmp.palette[200], 0u) << "entries past the file's palette are black";
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(bmp.pixels[y * 5 + x], (x + 2 * y) % 16)
            << "height " << h << " at " << x << "," << y;
      }
    }
  }
}

TEST(BitmapParser, RejectsDamagedFilesAndEmptiesTheOutput) {
  const std::vector<uint8_t> good = MakeBmp(7, 4, 256);
  auto rejects = [](std::vector<uint8_t> file, const char* what) {
    res::Bitmap bmp;
    bmp.width = 9;
    bmp.pixels.assign(3, 1);
    EXPECT_FALSE(res::ParseBitmap(file.data(), file.size(), bmp)) << what;
    EXPECT_EQ(bmp.width, 0) << what;
    EXPECT_TRUE(bmp.pixels.empty()) << what;
    EXPECT_TRUE(bmp.palette.empty()) << what;
  };
  // Every truncation of a valid file.
  for (size_t n = 0; n < good.size(); ++n) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + n);
    res::Bitmap bmp;
    EXPECT_FALSE(res::ParseBitmap(cut.data(), cut.size(), bmp)) << "cut at " << n;
  }
  auto patched = [&](size_t at, uint32_t value) {
    std::vector<uint8_t> f = good;
    for (size_t i = 0; i < 4; ++i) f.at(at + i) = static_cast<uint8_t>(value >> (8 * i));
    return f;
  };
  std::vector<uint8_t> notBm = good;
  notBm[0] = 'X';
  rejects(notBm, "signature");
  rejects(patched(10, 0xFFFFFFF0u), "pixel offset past the end");
  rejects(patched(14, 0xFFFFFFF0u), "header size past the end");
  rejects(patched(14, 12), "old core header");
  rejects(patched(18, 0), "zero width");
  rejects(patched(18, 0x7FFFFFFF), "huge width");
  rejects(patched(22, 0x80000000u), "most negative height");
  rejects(patched(22, 0), "zero height");
  rejects(patched(30, 1), "RLE compression");
  rejects(patched(46, 257), "more than 256 colours");
  std::vector<uint8_t> bits = good;
  bits[28] = 24;
  rejects(bits, "24 bits per pixel");
  EXPECT_FALSE(res::ParseBitmap(nullptr, 0, *std::make_unique<res::Bitmap>()));
}

TEST(BitmapParser, IndexPastAShortPaletteStaysInsideIt) {
  std::vector<uint8_t> file = MakeBmp(4, 1, 2);
  file.back() = 0xEE;  // pixel 3 of the only row: an index the 2-colour palette lacks
  res::Bitmap bmp;
  ASSERT_TRUE(res::ParseBitmap(file.data(), file.size(), bmp));
  for (uint8_t p : bmp.pixels) EXPECT_LT(p, 2) << "index outside the file's palette";
}

// The Windows window's pictures for 150 % (RLE8 files, not embedded in this build) are the same
// pages redrawn: every artwork pixel (not lettering) has the colour of the page pixel it scales.
// A page picture redrawn without them fails here.
TEST(ScaledPagePictures, AreThePagesRedrawnAt672By465) {
  for (int id : {149, 150, 151, 152, 153, 156, 158}) {
    const std::string file =
        test::ReadFile(SIGNUP_SOURCE_DIR "/src/res/art/bitmap" + std::to_string(id) + "-150.bmp");
    const auto* data = reinterpret_cast<const uint8_t*>(file.data());
    res::Bitmap scaled, page;
    ASSERT_TRUE(res::ParseBitmap(data, file.size(), scaled)) << id;
    ASSERT_TRUE(res::LoadBitmap(id, page));
    EXPECT_FALSE(res::LoadScaledBitmap(id, 150, page)) << "only the Windows build embeds them";
    ASSERT_TRUE(res::LoadBitmap(id, page));
    ASSERT_EQ(scaled.width, 672) << id;
    ASSERT_EQ(scaled.height, 465) << id;
    int differing = 0;
    for (int y = 0; y < scaled.height; ++y) {
      for (int x = 0; x < scaled.width; ++x) {
        const int px = x * 2 / 3, py = y * 2 / 3;
        if (res::IsLettering(scaled, x, y) || res::IsLettering(page, px, py)) continue;
        differing += scaled.palette[scaled.pixels[y * scaled.width + x]] !=
                     page.palette[page.pixels[py * page.width + px]];
      }
    }
    EXPECT_EQ(differing, 0) << "picture " << id << " differs from its page";
    for (size_t n : {file.size() - 2, file.size() / 2, size_t{14 + 40 + 1024 + 1}})
      EXPECT_FALSE(res::ParseBitmap(data, n, scaled)) << id << ": RLE8 data cut at " << n;
  }
}

TEST(ProgramIcon, LoadsTheLargestImageWithTransparentCorners) {
  res::Icon icon;
  ASSERT_TRUE(res::LoadIcon(128, icon));
  EXPECT_EQ(icon.width, 48);
  EXPECT_EQ(icon.height, 48);
  ASSERT_EQ(icon.pixels.size(), 48u * 48u);
  EXPECT_EQ(icon.pixels[0] >> 24, 0u) << "top-left corner is transparent";
  EXPECT_EQ(icon.pixels[24 * 48 + 24] >> 24, 0xFFu) << "the centre is opaque";
}

TEST(ProgramIcon, HasEveryImageFrom16To48Pixels) {
  std::vector<res::Icon> icons;
  ASSERT_TRUE(res::LoadIcons(128, icons));
  std::vector<int> sides;
  for (const res::Icon& i : icons) {
    EXPECT_EQ(i.width, i.height) << "square images";
    EXPECT_EQ(i.pixels.size(), static_cast<size_t>(i.width) * i.height);
    sides.push_back(i.width);
  }
  EXPECT_EQ(sides, (std::vector<int>{48, 32, 16})) << "largest first";
  EXPECT_FALSE(res::LoadIcons(129, icons)) << "no such icon";
  EXPECT_TRUE(icons.empty());
}

TEST(IconParser, RejectsDamagedFiles) {
  res::Icon icon;
  // Build a one-image file from scratch to damage it: header, entry, 2 x 2 image with mask.
  std::vector<uint8_t> file;
  Put16(file, 0);
  Put16(file, 1);
  Put16(file, 1);
  file.insert(file.end(), {2, 2, 0, 0});
  Put16(file, 1);
  Put16(file, 32);
  Put32(file, 40 + 16 + 8);
  Put32(file, 22);
  Put32(file, 40);
  Put32(file, 2);
  Put32(file, 4);
  Put16(file, 1);
  Put16(file, 32);
  for (int i = 0; i < 6; ++i) Put32(file, 0);
  for (uint32_t p : {0xFF0000FFu, 0x00000000u, 0x80FFFFFFu, 0xFF00FF00u}) Put32(file, p);
  for (int i = 0; i < 8; ++i) file.push_back(0);
  ASSERT_TRUE(res::ParseIcon(file.data(), file.size(), icon));
  EXPECT_EQ(icon.width, 2);
  EXPECT_EQ(icon.pixels[0], 0x80FFFFFFu) << "bottom-up rows: the first stored row is the last";
  EXPECT_EQ(icon.pixels[3], 0x00000000u);
  for (size_t n = 0; n < file.size(); ++n) {
    if (n >= 22 + 40 + 16) continue;  // a missing AND mask is tolerated
    EXPECT_FALSE(res::ParseIcon(file.data(), n, icon)) << "cut at " << n;
    EXPECT_TRUE(icon.pixels.empty()) << "cut at " << n;
  }
  std::vector<uint8_t> badOffset = file;
  badOffset[18] = 0xFF;
  EXPECT_FALSE(res::ParseIcon(badOffset.data(), badOffset.size(), icon)) << "offset past the end";
  std::vector<uint8_t> eightBit = file;
  eightBit[22 + 14] = 8;
  EXPECT_FALSE(res::ParseIcon(eightBit.data(), eightBit.size(), icon)) << "only 32-bit images";
}

}  // namespace
