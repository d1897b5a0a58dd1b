// Generates the program's artwork: the six 448 x 310 page pictures (8-bit BMP, 256 colours) with
// every label drawn beside the control it belongs to, the same drawn at 150 % for Windows, and the
// icon (ICO with 16, 32 and 48 pixel images and a 256 pixel one for Windows, plus 16, 32 and 48 as
// PNG for the desktop's icon theme). Usage: artgen OUTPUT_DIR The labels come from the page layout
// table (res/page_art.h), set in IPA P Gothic with Pango. The pictures are committed, so building
// the program never needs the font.
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "res/page_art.h"
#include "res/resources.h"
#include "res/styles.h"

namespace {

constexpr int kWidth = 448;
constexpr int kHeight = 310;
constexpr const char* kFamily = "IPAPGothic";
// Grey levels of anti-aliased lettering: 15 blends between background and ink, and the ink.
constexpr int kLevels = 15;

struct Rgb {
  int r, g, b;
  auto operator<=>(const Rgb&) const = default;
};

// The look of the sheet: the page body is the dialogs' blue, so page and sheet are one surface.
constexpr Rgb kBody{85, 159, 255};
constexpr Rgb kBand{50, 122, 228};
constexpr Rgb kBandLine{196, 222, 255};
constexpr Rgb kShadow{38, 96, 196};
constexpr Rgb kLight{196, 222, 255};
constexpr Rgb kInk{255, 255, 255};
constexpr Rgb kNoteInk{226, 238, 255};

Rgb Mix(Rgb a, Rgb b, double t) {
  auto lerp = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
  return {lerp(a.r, b.r), lerp(a.g, b.g), lerp(a.b, b.b)};
}

struct Box {
  int left, top, right, bottom;  // right and bottom exclusive
  bool Meets(const Box& o) const {
    return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
  }
};

std::string Describe(const Box& b) {
  return "(" + std::to_string(b.left) + "," + std::to_string(b.top) + ")-(" +
         std::to_string(b.right) + "," + std::to_string(b.bottom) + ")";
}

// Where page pixel `v` (a pixel edge) lies in a picture drawn for `scale` percent: rounded as
// the Windows window rounds its scaled control rectangles, so both meet at the same pixel.
int ScaledEdge(int v, int scale) { return (v * scale + 50) / 100; }

// A 256-colour picture built in palette indices: artwork below index 128, lettering from 128 on.
// Drawn for a scale (percent of the page's 448 x 310 pixels); its callers place everything in
// page pixels.
class Picture {
 public:
  explicit Picture(int scale = 100)
      : scale_(scale),
        width_(ScaledEdge(kWidth, scale)),
        height_(ScaledEdge(kHeight, scale)),
        pixels_(static_cast<size_t>(width_) * height_, 0) {}

  bool Fill(const Box& b, Rgb colour) {
    int index = Artwork(colour);
    if (index < 0) return false;
    const Box d{ScaledEdge(std::max(b.left, 0), scale_), ScaledEdge(std::max(b.top, 0), scale_),
                ScaledEdge(std::min(b.right, kWidth), scale_),
                ScaledEdge(std::min(b.bottom, kHeight), scale_)};
    for (int y = d.top; y < d.bottom; ++y)
      for (int x = d.left; x < d.right; ++x)
        pixels_[static_cast<size_t>(y) * width_ + x] = static_cast<uint8_t>(index);
    return true;
  }
  bool Set(int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) return Artwork(colour) >= 0;
    return Fill({x, y, x + 1, y + 1}, colour);
  }
  // Lays an alpha mask (A8, the picture's size) of lettering in `ink` over the picture.
  bool Letter(cairo_surface_t* mask, Rgb ink) {
    cairo_surface_flush(mask);
    const unsigned char* data = cairo_image_surface_get_data(mask);
    const int stride = cairo_image_surface_get_stride(mask);
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        const int level = (data[y * stride + x] * kLevels + 127) / 255;
        if (level == 0) continue;
        uint8_t& p = pixels_[static_cast<size_t>(y) * width_ + x];
        const Rgb under = palette_[p];
        const int index =
            Lettering(level == kLevels ? ink : Mix(under, ink, double(level) / kLevels));
        if (index < 0) return false;
        p = static_cast<uint8_t>(index);
      }
    }
    return true;
  }
  std::vector<uint8_t> Bmp() const;

 private:
  int Allocate(Rgb colour, int first, int last) {
    for (int i = first; i <= last; ++i)
      if (used_[i] && palette_[i] == colour) return i;
    for (int i = first; i <= last; ++i) {
      if (!used_[i]) {
        used_[i] = true;
        palette_[i] = colour;
        return i;
      }
    }
    std::fprintf(stderr, "artgen: more colours than the palette holds\n");
    return -1;
  }
  int Artwork(Rgb colour) { return Allocate(colour, 0, res::kLetteringFirstIndex - 1); }
  int Lettering(Rgb colour) { return Allocate(colour, res::kLetteringFirstIndex, 255); }
  std::vector<uint8_t> Rle8() const;

  int scale_, width_, height_;
  std::vector<uint8_t> pixels_;
  Rgb palette_[256] = {};
  bool used_[256] = {};
};

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// The rows bottom-up in BI_RLE8: runs of one index, and stretches of differing ones stored as
// they are (at least three, padded to an even length); each row ends with 0 0, the picture with
// 0 1. A page picture of flat colours and lettering shrinks to a tenth or less.
std::vector<uint8_t> Picture::Rle8() const {
  std::vector<uint8_t> out;
  for (int y = height_ - 1; y >= 0; --y) {
    const uint8_t* row = pixels_.data() + static_cast<size_t>(y) * width_;
    auto runAt = [&](int x) {
      int n = 1;
      while (x + n < width_ && n < 255 && row[x + n] == row[x]) ++n;
      return n;
    };
    for (int x = 0; x < width_;) {
      int run = runAt(x);
      if (run >= 2) {
        out.insert(out.end(), {static_cast<uint8_t>(run), row[x]});
        x += run;
        continue;
      }
      int literal = 1;
      while (x + literal < width_ && literal < 255 && runAt(x + literal) < 3) ++literal;
      if (literal < 3) {
        for (int i = 0; i < literal; ++i) out.insert(out.end(), {1, row[x + i]});
      } else {
        out.insert(out.end(), {0, static_cast<uint8_t>(literal)});
        out.insert(out.end(), row + x, row + x + literal);
        if (literal % 2) out.push_back(0);
      }
      x += literal;
    }
    out.insert(out.end(), {0, 0});
  }
  out.back() = 1;  // the last row's end is the picture's end
  return out;
}

std::vector<uint8_t> Picture::Bmp() const {
  // Page-sized pictures stay uncompressed, as they always were; larger ones are RLE8.
  const bool compressed = scale_ != 100;
  const std::vector<uint8_t> rle = compressed ? Rle8() : std::vector<uint8_t>();
  const uint32_t stride = (width_ + 3) & ~3u;
  const uint32_t imageSize = compressed ? static_cast<uint32_t>(rle.size()) : stride * height_;
  const uint32_t offset = 14 + 40 + 256 * 4;
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + imageSize);
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, width_);
  Put32(out, height_);  // positive: rows bottom-up
  Put16(out, 1);
  Put16(out, 8);
  Put32(out, compressed ? 1 : 0);  // BI_RLE8 or BI_RGB
  Put32(out, imageSize);
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, 256);
  Put32(out, 0);
  for (const Rgb& c : palette_) {
    out.push_back(static_cast<uint8_t>(c.b));
    out.push_back(static_cast<uint8_t>(c.g));
    out.push_back(static_cast<uint8_t>(c.r));
    out.push_back(0);
  }
  if (compressed) {
    out.insert(out.end(), rle.begin(), rle.end());
    return out;
  }
  for (int y = height_ - 1; y >= 0; --y) {
    out.insert(out.end(), pixels_.begin() + y * width_, pixels_.begin() + (y + 1) * width_);
    out.resize(out.size() + (stride - width_), 0);
  }
  return out;
}

// ---- Text ---------------------------------------------------------------------------------------

// Sets lettering into an A8 mask with Pango, hinted for the small sizes of a dialog. The mask is
// drawn for a scale (percent), its callers measure and place in page pixels.
class Typesetter {
 public:
  explicit Typesetter(int scale = 100) {
    mask_ = cairo_image_surface_create(CAIRO_FORMAT_A8, ScaledEdge(kWidth, scale),
                                       ScaledEdge(kHeight, scale));
    cr_ = cairo_create(mask_);
    cairo_scale(cr_, scale / 100.0, scale / 100.0);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    layout_ = pango_cairo_create_layout(cr_);
    pango_cairo_context_set_font_options(pango_layout_get_context(layout_), options);
    pango_cairo_context_set_resolution(pango_layout_get_context(layout_), 96);
    cairo_font_options_destroy(options);
  }
  ~Typesetter() {
    g_object_unref(layout_);
    cairo_destroy(cr_);
    cairo_surface_destroy(mask_);
  }
  Typesetter(const Typesetter&) = delete;
  Typesetter& operator=(const Typesetter&) = delete;

  // The face Pango really uses for our family; the pictures are only right in IPA P Gothic.
  std::string ResolvedFamily() {
    Select(res::TypeSize::Label);
    PangoFontDescription* wanted = pango_font_description_from_string(kFamily);
    PangoFont* font = pango_context_load_font(pango_layout_get_context(layout_), wanted);
    pango_font_description_free(wanted);
    if (font == nullptr) return "";
    PangoFontDescription* got = pango_font_describe(font);
    std::string family = pango_font_description_get_family(got);
    pango_font_description_free(got);
    g_object_unref(font);
    return family;
  }

  void Select(res::TypeSize size) {
    PangoFontDescription* d = pango_font_description_from_string(kFamily);
    const int px = size == res::TypeSize::Small ? 11 : size == res::TypeSize::Heading ? 13 : 12;
    pango_font_description_set_absolute_size(d, px * PANGO_SCALE);
    if (size == res::TypeSize::Heading) pango_font_description_set_weight(d, PANGO_WEIGHT_BOLD);
    pango_layout_set_font_description(layout_, d);
    pango_font_description_free(d);
  }
  // Logical size of `text` in the selected size.
  void Measure(const char* text, int& width, int& height) {
    pango_layout_set_text(layout_, text, -1);
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout_, nullptr, &logical);
    width = logical.width;
    height = logical.height;
  }
  // Sets `text` with its logical box's corner at (x, y); returns the box its ink covers.
  Box Set(const char* text, int x, int y) {
    pango_layout_set_text(layout_, text, -1);
    PangoRectangle ink, logical;
    pango_layout_get_pixel_extents(layout_, &ink, &logical);
    cairo_move_to(cr_, x - logical.x, y - logical.y);
    cairo_set_source_rgba(cr_, 0, 0, 0, 1);
    pango_cairo_show_layout(cr_, layout_);
    return {x - logical.x + ink.x, y - logical.y + ink.y, x - logical.x + ink.x + ink.width,
            y - logical.y + ink.y + ink.height};
  }
  void Disc(double cx, double cy, double radius, bool filled) {
    cairo_new_path(cr_);
    cairo_arc(cr_, cx, cy, radius, 0, 2 * M_PI);
    cairo_set_source_rgba(cr_, 0, 0, 0, 1);
    if (filled) {
      cairo_fill(cr_);
    } else {
      cairo_set_line_width(cr_, 1.2);
      cairo_stroke(cr_);
    }
  }
  void Clear() {
    cairo_save(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr_);
    cairo_restore(cr_);
  }
  cairo_surface_t* mask() { return mask_; }

 private:
  cairo_surface_t* mask_;
  cairo_t* cr_;
  PangoLayout* layout_;
};

// ---- One page picture ---------------------------------------------------------------------------

struct Placed {
  Box box;
  std::string what;
};

// The pages that show the picture, and every rectangle their controls cover.
std::vector<Box> ControlBoxes(int bitmap) {
  std::vector<Box> boxes;
  for (const res::PageLayout& layout : res::PageLayouts()) {
    if (layout.bitmap != bitmap) continue;
    for (const res::PixelRect& c : layout.controls) {
      const res::PixelRect r = res::ShownRect(layout, c);
      boxes.push_back({r.x, r.y, r.x + r.w, r.y + r.h});
    }
  }
  return boxes;
}

// The text boxes (multi-line edits) of the picture's pages, which get a sunken frame.
std::vector<Box> TextBoxes(int bitmap) {
  std::vector<Box> boxes;
  for (const res::PageLayout& layout : res::PageLayouts()) {
    const res::DialogTemplate* t = res::FindDialog(layout.templateId);
    if (layout.bitmap != bitmap || t == nullptr) continue;
    for (const res::PixelRect& c : layout.controls) {
      for (const res::ControlTemplate& ct : t->controls) {
        if (ct.id == c.id && ct.kind == res::ControlKind::Edit && (ct.style & res::ES_MULTILINE))
          boxes.push_back({c.x, c.y, c.x + c.w, c.y + c.h});
      }
    }
  }
  return boxes;
}

const res::PixelRect* Control(int bitmap, int id) {
  for (const res::PageLayout& layout : res::PageLayouts()) {
    if (layout.bitmap != bitmap) continue;
    for (const res::PixelRect& c : layout.controls)
      if (c.id == id) return &c;
  }
  return nullptr;
}

// Where a piece of lettering of `width` x `height` goes.
bool Position(int bitmap, const res::Lettering& l, int width, int height, int& x, int& y) {
  if (l.anchor == res::Anchor::At) {
    x = l.x;
    y = l.y;
    return true;
  }
  const res::PixelRect* c = Control(bitmap, l.control);
  if (c == nullptr) return false;
  const int shownHeight = std::min(c->h, res::kComboClosedHeight);
  const int middle = c->y + (shownHeight - height) / 2;
  constexpr int kBeside = 4, kOver = 1;
  switch (l.anchor) {
    case res::Anchor::LeftOf:
      x = c->x - kBeside - width;
      y = middle;
      return true;
    case res::Anchor::RightOf:
      x = c->x + c->w + kBeside;
      y = middle;
      return true;
    case res::Anchor::Above:
    case res::Anchor::AboveCentred:
      x = l.anchor == res::Anchor::Above ? c->x : c->x + (c->w - width) / 2;
      y = c->y - kOver - height;
      return true;
    case res::Anchor::Below:
    case res::Anchor::BelowCentred:
      x = l.anchor == res::Anchor::Below ? c->x : c->x + (c->w - width) / 2;
      y = c->y + shownHeight + kOver;
      return true;
    case res::Anchor::Between: {
      const res::PixelRect* right = Control(bitmap, l.other);
      if (right == nullptr) return false;
      x = c->x + c->w + (right->x - c->x - c->w - width) / 2;
      y = middle;
      return true;
    }
    case res::Anchor::At:
      break;
  }
  return false;
}

// Sunken frame just outside the union of the text boxes: dark above and left, light below and
// right; the line between two boxes that touch is not drawn.
bool Frame(Picture& picture, const std::vector<Box>& boxes) {
  auto inside = [&](int x, int y) {
    for (const Box& b : boxes)
      if (x >= b.left && x < b.right && y >= b.top && y < b.bottom) return true;
    return false;
  };
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if (inside(x, y)) continue;
      const bool before = inside(x + 1, y) || inside(x, y + 1) || inside(x + 1, y + 1);
      const bool after = inside(x - 1, y) || inside(x, y - 1) || inside(x - 1, y - 1);
      if ((before && !picture.Set(x, y, kShadow)) ||
          (!before && after && !picture.Set(x, y, kLight)))
        return false;
    }
  }
  return true;
}

bool DrawPage(const res::PagePicture& art, std::vector<uint8_t>& bmp, int scale = 100) {
  Picture picture(scale);
  Typesetter type(scale);
  if (!picture.Fill({0, 0, kWidth, kHeight}, kBody) ||
      !picture.Fill({0, 0, kWidth, res::kBandHeight - 1}, kBand) ||
      !picture.Fill({0, res::kBandHeight - 1, kWidth, res::kBandHeight}, kBandLine) ||
      !Frame(picture, TextBoxes(art.bitmap)))
    return false;

  const std::vector<Box> controls = ControlBoxes(art.bitmap);
  std::vector<Placed> placed;
  bool ok = true;
  auto check = [&](const Box& ink, const std::string& what, bool inBand) {
    const Box page{0, inBand ? 0 : res::kBandHeight, kWidth, inBand ? res::kBandHeight : kHeight};
    if (ink.left < page.left || ink.top < page.top || ink.right > page.right ||
        ink.bottom > page.bottom) {
      std::fprintf(stderr, "artgen: picture %d: \"%s\" at %s leaves its area\n", art.bitmap,
                   what.c_str(), Describe(ink).c_str());
      ok = false;
    }
    const Box margin{ink.left - 1, ink.top - 1, ink.right + 1, ink.bottom + 1};
    for (const Box& c : controls) {
      if (margin.Meets(c)) {
        std::fprintf(stderr, "artgen: picture %d: \"%s\" at %s touches the control at %s\n",
                     art.bitmap, what.c_str(), Describe(ink).c_str(), Describe(c).c_str());
        ok = false;
      }
    }
    for (const Placed& p : placed) {
      if (margin.Meets(p.box)) {
        std::fprintf(stderr, "artgen: picture %d: \"%s\" runs into \"%s\"\n", art.bitmap,
                     what.c_str(), p.what.c_str());
        ok = false;
      }
    }
    placed.push_back({ink, what});
  };

  // The band: heading on the left, the step marks on the right.
  const std::vector<int> steps = res::PictureSteps(art.bitmap);
  type.Select(res::TypeSize::Heading);
  int w = 0, h = 0;
  type.Measure(art.heading, w, h);
  check(type.Set(art.heading, 10, (res::kBandHeight - 1 - h) / 2), art.heading, true);
  constexpr int kMarkGap = 11;
  const int firstMark = kWidth - 10 - 6 * kMarkGap;
  for (int step = 1; step <= 7; ++step) {
    const bool current = std::find(steps.begin(), steps.end(), step) != steps.end();
    type.Disc(firstMark + (step - 1) * kMarkGap + 0.5, (res::kBandHeight - 1) / 2.0, 3.2, current);
  }
  std::string stepText = "ステップ ";
  for (size_t i = 0; i < steps.size(); ++i) stepText += (i ? "・" : "") + std::to_string(steps[i]);
  stepText += " / 7";
  type.Select(res::TypeSize::Small);
  type.Measure(stepText.c_str(), w, h);
  check(type.Set(stepText.c_str(), firstMark - 10 - w, (res::kBandHeight - 1 - h) / 2), stepText,
        true);
  if (!picture.Letter(type.mask(), kInk)) return false;

  for (const res::TypeSize size : {res::TypeSize::Label, res::TypeSize::Small}) {
    type.Clear();
    type.Select(size);
    for (const res::Lettering& l : art.lettering) {
      if (l.size != size) continue;
      type.Measure(l.text, w, h);
      int x = 0, y = 0;
      if (!Position(art.bitmap, l, w, h, x, y)) {
        std::fprintf(stderr, "artgen: picture %d: \"%s\" belongs to no control of its pages\n",
                     art.bitmap, l.text);
        return false;
      }
      check(type.Set(l.text, x, y), l.text, false);
    }
    if (!picture.Letter(type.mask(), size == res::TypeSize::Label ? kInk : kNoteInk)) return false;
  }
  if (!ok) return false;
  bmp = picture.Bmp();
  return true;
}

// ---- The icon -----------------------------------------------------------------------------------

// A blue disc with a white ring and a speech bubble: the signup of a chat service.
cairo_surface_t* IconSurface(int size) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  cairo_t* cr = cairo_create(s);
  cairo_scale(cr, size / 48.0, size / 48.0);
  cairo_arc(cr, 24, 24, 23, 0, 2 * M_PI);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_fill(cr);
  cairo_pattern_t* body = cairo_pattern_create_linear(0, 4, 0, 44);
  cairo_pattern_add_color_stop_rgb(body, 0, 150 / 255.0, 200 / 255.0, 1);
  cairo_pattern_add_color_stop_rgb(body, 1, 50 / 255.0, 122 / 255.0, 228 / 255.0);
  cairo_arc(cr, 24, 24, size >= 32 ? 20 : 20.5, 0, 2 * M_PI);
  cairo_set_source(cr, body);
  cairo_fill(cr);
  cairo_pattern_destroy(body);
  // The bubble: a rounded box with a tail at its lower left.
  const double x = 11, y = 12, w = 26, h = 18, r = 6;
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_line_to(cr, x + 12, y + h);
  cairo_line_to(cr, x + 5, y + h + 7);
  cairo_line_to(cr, x + 7, y + h);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_fill(cr);
  if (size >= 32) {
    cairo_set_source_rgb(cr, 50 / 255.0, 122 / 255.0, 228 / 255.0);
    for (int i = 0; i < 3; ++i) {
      cairo_arc(cr, 17 + i * 7, y + h / 2, 2.2, 0, 2 * M_PI);
      cairo_fill(cr);
    }
  }
  cairo_destroy(cr);
  cairo_surface_flush(s);
  return s;
}

// A BMP-in-ICO image: header with doubled height, 32-bit rows bottom-up, then the AND mask.
std::vector<uint8_t> IconImage(cairo_surface_t* s) {
  const int size = cairo_image_surface_get_width(s);
  const int stride = cairo_image_surface_get_stride(s);
  const unsigned char* data = cairo_image_surface_get_data(s);
  auto argb = [&](int x, int y) {
    // Cairo keeps premultiplied alpha; icons keep it straight.
    uint32_t p = *reinterpret_cast<const uint32_t*>(data + y * stride + x * 4);
    const uint32_t a = p >> 24;
    if (a == 0) return uint32_t{0};
    auto un = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + a / 2) / a); };
    return (a << 24) | (un((p >> 16) & 0xFF) << 16) | (un((p >> 8) & 0xFF) << 8) | un(p & 0xFF);
  };
  const uint32_t maskStride = ((size + 31) / 32) * 4;
  std::vector<uint8_t> out;
  Put32(out, 40);
  Put32(out, size);
  Put32(out, size * 2);
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, 0);
  Put32(out, size * size * 4 + maskStride * size);
  for (int i = 0; i < 4; ++i) Put32(out, 0);
  for (int y = size - 1; y >= 0; --y)
    for (int x = 0; x < size; ++x) Put32(out, argb(x, y));
  for (int y = size - 1; y >= 0; --y) {
    std::vector<uint8_t> row(maskStride, 0);
    for (int x = 0; x < size; ++x)
      if ((argb(x, y) >> 24) == 0) row[x / 8] |= 0x80 >> (x % 8);
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

constexpr int kIconSizes[] = {48, 32, 16};
// The large image Windows shows in Explorer at big sizes and high DPI, PNG-compressed as ICO
// files keep it (the program's own icon reader skips it).
constexpr int kLargeIconSize = 256;

std::vector<uint8_t> PngImage(cairo_surface_t* s) {
  std::vector<uint8_t> out;
  cairo_surface_write_to_png_stream(
      s,
      [](void* closure, const unsigned char* data, unsigned int length) {
        auto* bytes = static_cast<std::vector<uint8_t>*>(closure);
        bytes->insert(bytes->end(), data, data + length);
        return CAIRO_STATUS_SUCCESS;
      },
      &out);
  return out;
}

// The images in the order of `sizes` (a size of 256 is written as 0, as ICO files do).
std::vector<uint8_t> Ico(const std::vector<int>& sizes,
                         const std::vector<std::vector<uint8_t>>& images) {
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(images.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    out.push_back(static_cast<uint8_t>(sizes[i] % 256));
    out.push_back(static_cast<uint8_t>(sizes[i] % 256));
    out.push_back(0);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, static_cast<uint32_t>(images[i].size()));
    Put32(out, offset);
    offset += static_cast<uint32_t>(images[i].size());
  }
  for (const auto& image : images) out.insert(out.end(), image.begin(), image.end());
  return out;
}

bool Write(const std::string& path, const std::vector<uint8_t>& data) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  if (!f) {
    std::fprintf(stderr, "artgen: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

// The pictures the Windows window shows at 150 %, where page pixels do not become whole blocks of
// screen pixels: drawn again at that size, so that their lettering stays sharp.
constexpr int kScaledPictures[] = {150};

bool DrawScaledPages(const std::string& dir) {
  bool ok = true;
  for (int scale : kScaledPictures) {
    for (const res::PagePicture& art : res::PagePictures()) {
      std::vector<uint8_t> bmp;
      const std::string name =
          "/bitmap" + std::to_string(art.bitmap) + "-" + std::to_string(scale) + ".bmp";
      ok = DrawPage(art, bmp, scale) && Write(dir + name, bmp) && ok;
    }
  }
  return ok;
}

// The icon's larger sizes for the desktop's icon theme (hicolor goes up to 256 pixels); the
// window's own icon list keeps the ICO's sizes.
constexpr int kThemeIconSizes[] = {64, 128, 256};

// The icon drawn at one size as dir/iconID-SIZE.png, or a message saying why not.
bool WriteIconPng(cairo_surface_t* s, const std::string& dir, int size) {
  const std::string png =
      dir + "/icon" + std::to_string(IDI_APP) + "-" + std::to_string(size) + ".png";
  if (cairo_surface_write_to_png(s, png.c_str()) == CAIRO_STATUS_SUCCESS) return true;
  std::fprintf(stderr, "artgen: cannot write %s\n", png.c_str());
  return false;
}

bool WriteThemeIcons(const std::string& dir) {
  bool ok = true;
  for (int size : kThemeIconSizes) {
    cairo_surface_t* s = IconSurface(size);
    ok = WriteIconPng(s, dir, size) && ok;
    cairo_surface_destroy(s);
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: artgen OUTPUT_DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  {
    Typesetter type;
    const std::string family = type.ResolvedFamily();
    if (family.find("IPA") == std::string::npos) {
      std::fprintf(stderr,
                   "artgen: the font IPA P Gothic is missing (got \"%s\"); install the Debian "
                   "package fonts-ipafont-gothic\n",
                   family.c_str());
      return 1;
    }
  }
  bool ok = true;
  for (const res::PagePicture& art : res::PagePictures()) {
    std::vector<uint8_t> bmp;
    ok = DrawPage(art, bmp) && Write(dir + "/bitmap" + std::to_string(art.bitmap) + ".bmp", bmp) &&
         ok;
  }
  ok = DrawScaledPages(dir) && ok;
  std::vector<std::vector<uint8_t>> images;
  for (int size : kIconSizes) {
    cairo_surface_t* s = IconSurface(size);
    images.push_back(IconImage(s));
    ok = WriteIconPng(s, dir, size) && ok;
    cairo_surface_destroy(s);
  }
  std::vector<int> sizes(std::begin(kIconSizes), std::end(kIconSizes));
  cairo_surface_t* large = IconSurface(kLargeIconSize);
  sizes.insert(sizes.begin(), kLargeIconSize);
  images.insert(images.begin(), PngImage(large));
  cairo_surface_destroy(large);
  ok = Write(dir + "/icon" + std::to_string(IDI_APP) + ".ico", Ico(sizes, images)) && ok;
  ok = WriteThemeIcons(dir) && ok;
  return ok ? 0 : 1;
}
