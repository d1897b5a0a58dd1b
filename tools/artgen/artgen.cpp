// Generates the placeholder artwork: the 448 x 310 page pictures (8-bit BMP with a 256-colour
// palette) and the program icon (ICO with 32 x 32 and 16 x 16 32-bit images).
// Usage: artgen OUTPUT_DIR
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 448;
constexpr int kHeight = 310;
constexpr int kBandHeight = 40;

struct Rgb {
  int r, g, b;
};

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

Rgb Mix(Rgb a, Rgb b, double t) {
  auto lerp = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
  return {lerp(a.r, b.r), lerp(a.g, b.g), lerp(a.b, b.b)};
}

// Palette layout: 0-127 the body gradient (light at the top to the dialog blue at the bottom),
// 128-191 the title band, 192 the frame, 193 the digits, the rest a grey ramp.
constexpr int kBody = 0, kBodySteps = 128, kBand = 128, kBandSteps = 64, kFrame = 192, kDigit = 193;

std::vector<Rgb> Palette() {
  std::vector<Rgb> p(256);
  for (int i = 0; i < kBodySteps; ++i) {
    p[kBody + i] = Mix({214, 232, 255}, {85, 159, 255}, i / double(kBodySteps - 1));
  }
  for (int i = 0; i < kBandSteps; ++i) {
    p[kBand + i] = Mix({36, 84, 170}, {70, 134, 230}, i / double(kBandSteps - 1));
  }
  p[kFrame] = {28, 66, 140};
  p[kDigit] = {255, 255, 255};
  for (int i = 194; i < 256; ++i) {
    int v = (i - 194) * 255 / 61;
    p[i] = {v, v, v};
  }
  return p;
}

// A 5 x 7 pixel font for the digits and the separator "/".
const char* Glyph(char c) {
  static const char* kDigits[] = {
      "01110100011001110101110011000101110", "00100011000010000100001000010001110",
      "01110100010000100010001000100011111", "11111000100010000010000011000101110",
      "00010001100101010010111110001000010", "11111100001111000001000011000101110",
      "00110010001000011110100011000101110", "11111000010001000100010000100001000",
      "01110100011000101110100011000101110", "01110100011000101111000010001001100",
  };
  if (c >= '0' && c <= '9') return kDigits[c - '0'];
  return "00001000010001000100010001000010000";  // "/"
}

void DrawText(std::vector<uint8_t>& pixels, const std::string& text, int right, int top,
              int scale) {
  int advance = 6 * scale;
  int x0 = right - static_cast<int>(text.size()) * advance + scale;
  for (size_t n = 0; n < text.size(); ++n) {
    const char* g = Glyph(text[n]);
    for (int row = 0; row < 7; ++row) {
      for (int col = 0; col < 5; ++col) {
        if (g[row * 5 + col] != '1') continue;
        for (int dy = 0; dy < scale; ++dy) {
          for (int dx = 0; dx < scale; ++dx) {
            int x = x0 + static_cast<int>(n) * advance + col * scale + dx;
            int y = top + row * scale + dy;
            if (x >= 0 && x < kWidth && y >= 0 && y < kHeight) pixels[y * kWidth + x] = kDigit;
          }
        }
      }
    }
  }
}

// One page picture: title band, body gradient, a thin frame and the page number in the band.
std::vector<uint8_t> PagePicture(const std::string& label) {
  std::vector<uint8_t> pixels(kWidth * kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      uint8_t index;
      if (y < kBandHeight) {
        index = kBand + x * (kBandSteps - 1) / (kWidth - 1);
      } else {
        index = kBody + (y - kBandHeight) * (kBodySteps - 1) / (kHeight - kBandHeight - 1);
      }
      bool frame = ((x == 3 || x == kWidth - 4) && y >= 3 && y <= kHeight - 4) ||
                   ((y == 3 || y == kHeight - 4) && x >= 3 && x <= kWidth - 4) ||
                   (y == kBandHeight && x > 3 && x < kWidth - 4);
      pixels[y * kWidth + x] = frame ? kFrame : index;
    }
  }
  DrawText(pixels, label, kWidth - 14, 12, 2);
  return pixels;
}

std::vector<uint8_t> Bmp(const std::vector<uint8_t>& topDown) {
  const std::vector<Rgb> palette = Palette();
  const uint32_t stride = (kWidth + 3) & ~3u;
  const uint32_t imageSize = stride * kHeight;
  const uint32_t offset = 14 + 40 + 256 * 4;
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + imageSize);
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, kWidth);
  Put32(out, kHeight);  // positive: rows bottom-up
  Put16(out, 1);
  Put16(out, 8);
  Put32(out, 0);  // BI_RGB
  Put32(out, imageSize);
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, 256);
  Put32(out, 0);
  for (const Rgb& c : palette) {
    out.push_back(c.b);
    out.push_back(c.g);
    out.push_back(c.r);
    out.push_back(0);
  }
  for (int y = kHeight - 1; y >= 0; --y) {
    out.insert(out.end(), topDown.begin() + y * kWidth, topDown.begin() + (y + 1) * kWidth);
    out.resize(out.size() + (stride - kWidth), 0);
  }
  return out;
}

// The icon: a blue disc with a white ring and a light highlight, anti-aliased by supersampling.
std::vector<uint32_t> IconPixels(int size) {
  std::vector<uint32_t> argb(size * size);
  const double c = size / 2.0, radius = size / 2.0 - 0.5, ring = radius * 0.78;
  constexpr int kSub = 4;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      double a = 0, r = 0, g = 0, b = 0;
      for (int sy = 0; sy < kSub; ++sy) {
        for (int sx = 0; sx < kSub; ++sx) {
          double px = x + (sx + 0.5) / kSub - c, py = y + (sy + 0.5) / kSub - c;
          double d = std::sqrt(px * px + py * py);
          if (d > radius) continue;
          Rgb col;
          if (d > ring) {
            col = {255, 255, 255};
          } else {
            double t = (py / ring + 1) / 2;  // light at the top, the dialog blue below
            col = Mix({150, 200, 255}, {60, 130, 235}, t);
            if (d < ring * 0.45 && px < py * 0.2) col = Mix(col, {255, 255, 255}, 0.55);
          }
          a += 1;
          r += col.r;
          g += col.g;
          b += col.b;
        }
      }
      if (a == 0) continue;
      uint32_t alpha = static_cast<uint32_t>(std::lround(255 * a / (kSub * kSub)));
      argb[y * size + x] = (alpha << 24) | (static_cast<uint32_t>(std::lround(r / a)) << 16) |
                           (static_cast<uint32_t>(std::lround(g / a)) << 8) |
                           static_cast<uint32_t>(std::lround(b / a));
    }
  }
  return argb;
}

// A BMP-in-ICO image: header with doubled height, 32-bit rows bottom-up, then the AND mask.
std::vector<uint8_t> IconImage(int size) {
  const std::vector<uint32_t> argb = IconPixels(size);
  const uint32_t maskStride = ((size + 31) / 32) * 4;
  std::vector<uint8_t> out;
  Put32(out, 40);
  Put32(out, size);
  Put32(out, size * 2);
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, 0);
  Put32(out, size * size * 4 + maskStride * size);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < size; ++x) Put32(out, argb[y * size + x]);
  }
  for (int y = size - 1; y >= 0; --y) {
    std::vector<uint8_t> row(maskStride, 0);
    for (int x = 0; x < size; ++x) {
      if ((argb[y * size + x] >> 24) == 0) row[x / 8] |= 0x80 >> (x % 8);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

std::vector<uint8_t> Ico() {
  const std::vector<uint8_t> big = IconImage(32), small = IconImage(16);
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, 2);
  uint32_t offset = 6 + 2 * 16;
  for (const auto* image : {&big, &small}) {
    int size = image == &big ? 32 : 16;
    out.push_back(size);
    out.push_back(size);
    out.push_back(0);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, image->size());
    Put32(out, offset);
    offset += image->size();
  }
  out.insert(out.end(), big.begin(), big.end());
  out.insert(out.end(), small.begin(), small.end());
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: artgen OUTPUT_DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  // Bitmap number and the wizard pages that show it (152 serves pages 4 and 6).
  struct Page {
    int id;
    const char* label;
  };
  bool ok = true;
  for (Page p : {Page{149, "1"}, Page{150, "2"}, Page{151, "3"}, Page{152, "4/6"}, Page{153, "5"},
                 Page{156, "7"}}) {
    ok = Write(dir + "/bitmap" + std::to_string(p.id) + ".bmp", Bmp(PagePicture(p.label))) && ok;
  }
  ok = Write(dir + "/icon128.ico", Ico()) && ok;
  return ok ? 0 : 1;
}
