// Page pictures and the icon: lookup of the embedded files and the BMP and ICO parsers.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "res/art_data.h"
#include "res/resources.h"

namespace res {
namespace {

// Larger than any picture the program has; keeps size arithmetic far from overflow.
constexpr int64_t kMaxDimension = 16384;

uint32_t Read16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t Read32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
int32_t ReadSigned32(const uint8_t* p) { return static_cast<int32_t>(Read32(p)); }

const ArtEntry* FindArt(ArtKind kind, int id, int scale = 100) {
  for (size_t i = 0; i < kArtCount; ++i) {
    if (kArt[i].kind == kind && kArt[i].id == id && kArt[i].scale == scale) return &kArt[i];
  }
  return nullptr;
}

// BI_RLE8 pixels at data[0, size) into out.pixels (top-down; width and height set): runs, stored
// stretches, line ends, jumps and the end mark. False on anything that would leave the picture or
// the data, or data that ends without the end mark.
bool DecodeRle8(const uint8_t* data, size_t size, Bitmap& out) {
  const int width = out.width, height = out.height;
  out.pixels.assign(static_cast<size_t>(width) * height, 0);
  int x = 0, row = 0;  // row counts from the bottom, as the data is stored
  auto put = [&](uint8_t index) {
    if (x >= width || row >= height) return false;
    out.pixels[static_cast<size_t>(height - 1 - row) * width + x++] = index;
    return true;
  };
  for (size_t i = 0; i + 1 < size;) {
    const uint8_t count = data[i], value = data[i + 1];
    i += 2;
    if (count > 0) {
      for (int n = 0; n < count; ++n)
        if (!put(value)) return false;
    } else if (value == 0) {
      x = 0;
      ++row;
    } else if (value == 1) {
      return true;
    } else if (value == 2) {
      if (i + 2 > size) return false;
      x += data[i];
      row += data[i + 1];
      i += 2;
    } else {
      const size_t stored = value + (value & 1u);
      if (stored > size - i) return false;
      for (int n = 0; n < value; ++n)
        if (!put(data[i + n])) return false;
      i += stored;
    }
  }
  return false;
}

bool FailBitmap(Bitmap& out) {
  out = Bitmap{};
  return false;
}

bool FailIcon(Icon& out) {
  out = Icon{};
  return false;
}

// One 32-bit BMP-in-ICO image at data[0, size): header with doubled height, BGRA rows bottom-up,
// then the 1-bit AND mask, which gives the transparency when the alpha channel is all zero.
bool ParseIconImage(const uint8_t* data, size_t size, Icon& out) {
  if (size < 40 || Read32(data) < 40) return false;
  const uint32_t headerSize = Read32(data);
  const int32_t width = ReadSigned32(data + 4);
  const int32_t doubledHeight = ReadSigned32(data + 8);
  if (width <= 0 || width > 256 || doubledHeight <= 0 || doubledHeight % 2 != 0 ||
      doubledHeight / 2 > 256 || Read16(data + 14) != 32 || Read32(data + 16) != 0) {
    return false;
  }
  const int height = doubledHeight / 2;
  const uint64_t colourBytes = static_cast<uint64_t>(width) * height * 4;
  const uint64_t maskStride = ((static_cast<uint64_t>(width) + 31) / 32) * 4;
  const uint64_t maskBytes = maskStride * height;
  if (headerSize > size || size - headerSize < colourBytes) return false;
  const uint8_t* colour = data + headerSize;
  const bool hasMask = size - headerSize - colourBytes >= maskBytes;
  const uint8_t* mask = colour + colourBytes;

  out.width = width;
  out.height = height;
  out.pixels.assign(static_cast<size_t>(width) * height, 0);
  bool anyAlpha = false;
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = colour + static_cast<size_t>(height - 1 - y) * width * 4;
    for (int x = 0; x < width; ++x) {
      uint32_t bgra = Read32(row + x * 4);
      anyAlpha = anyAlpha || (bgra >> 24) != 0;
      out.pixels[static_cast<size_t>(y) * width + x] = bgra;  // little-endian BGRA is 0xAARRGGBB
    }
  }
  if (!anyAlpha) {
    for (int y = 0; y < height; ++y) {
      const uint8_t* row = mask + (height - 1 - y) * maskStride;
      for (int x = 0; x < width; ++x) {
        bool transparent = hasMask && (row[x / 8] & (0x80 >> (x % 8))) != 0;
        uint32_t& p = out.pixels[static_cast<size_t>(y) * width + x];
        p = transparent ? 0 : (p | 0xFF000000u);
      }
    }
  }
  return true;
}

}  // namespace

bool ParseBitmap(const uint8_t* data, size_t size, Bitmap& out) {
  if (data == nullptr || size < 14 + 40 || data[0] != 'B' || data[1] != 'M') {
    return FailBitmap(out);
  }
  const uint32_t pixelOffset = Read32(data + 10);
  const uint32_t headerSize = Read32(data + 14);
  if (headerSize < 40 || headerSize > size - 14) return FailBitmap(out);
  const int64_t width = ReadSigned32(data + 18);
  const int64_t rawHeight = ReadSigned32(data + 22);
  const bool topDown = rawHeight < 0;
  const int64_t height = std::llabs(rawHeight);
  const uint32_t compression = Read32(data + 30);
  constexpr uint32_t kRgb = 0, kRle8 = 1;
  if (width <= 0 || width > kMaxDimension || height == 0 || height > kMaxDimension ||
      Read16(data + 26) != 1 || Read16(data + 28) != 8 ||
      (compression != kRgb && compression != kRle8) || (compression == kRle8 && topDown)) {
    return FailBitmap(out);
  }
  uint32_t colours = Read32(data + 46);
  if (colours == 0) colours = 256;
  if (colours > 256) return FailBitmap(out);
  const uint64_t paletteOffset = 14 + static_cast<uint64_t>(headerSize);
  if (paletteOffset + colours * 4ull > size) return FailBitmap(out);
  const uint64_t stride = (static_cast<uint64_t>(width) + 3) & ~3ull;
  if (pixelOffset > size) return FailBitmap(out);
  if (compression == kRgb && size - pixelOffset < stride * height) return FailBitmap(out);

  out.width = static_cast<int>(width);
  out.height = static_cast<int>(height);
  out.palette.assign(256, 0);
  for (uint32_t i = 0; i < colours; ++i) {
    const uint8_t* q = data + paletteOffset + i * 4;
    out.palette[i] = (static_cast<uint32_t>(q[2]) << 16) | (q[1] << 8) | q[0];
  }
  if (compression == kRle8) {
    if (!DecodeRle8(data + pixelOffset, size - pixelOffset, out)) return FailBitmap(out);
    // As for stored pixels: an index past a short palette shows the first colour.
    for (uint8_t& p : out.pixels)
      if (p >= colours) p = 0;
    return true;
  }
  out.pixels.resize(static_cast<size_t>(width * height));
  for (int64_t y = 0; y < height; ++y) {
    const int64_t source = topDown ? y : height - 1 - y;
    const uint8_t* row = data + pixelOffset + source * stride;
    for (int64_t x = 0; x < width; ++x) {
      // An index past a short palette shows the first colour instead of reading beyond it.
      uint8_t index = row[x];
      out.pixels[y * width + x] = index < colours ? index : 0;
    }
  }
  return true;
}

bool ParseIcons(const uint8_t* data, size_t size, std::vector<Icon>& out) {
  out.clear();
  if (data == nullptr || size < 6 || Read16(data) != 0 || Read16(data + 2) != 1) return false;
  const uint32_t count = Read16(data + 4);
  if (count == 0 || 6 + count * 16ull > size) return false;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* entry = data + 6 + i * 16;
    const uint32_t length = Read32(entry + 8);
    const uint32_t offset = Read32(entry + 12);
    if (offset > size || length > size - offset) {
      out.clear();
      return false;
    }
    // Windows' large images are PNG files of their own; the window uses the smaller ones.
    static constexpr uint8_t kPng[] = {0x89, 'P', 'N', 'G'};
    if (length >= 4 && std::equal(kPng, kPng + 4, data + offset)) continue;
    Icon icon;
    if (!ParseIconImage(data + offset, length, icon)) {
      out.clear();
      return false;
    }
    out.push_back(std::move(icon));
  }
  if (out.empty()) return false;
  std::stable_sort(out.begin(), out.end(),
                   [](const Icon& a, const Icon& b) { return a.width > b.width; });
  return true;
}

bool ParseIcon(const uint8_t* data, size_t size, Icon& out) {
  std::vector<Icon> all;
  if (!ParseIcons(data, size, all)) return FailIcon(out);
  out = std::move(all.front());
  return true;
}

bool LoadBitmap(int id, Bitmap& out) {
  const ArtEntry* art = FindArt(ArtKind::Bitmap, id);
  if (art == nullptr) return FailBitmap(out);
  return ParseBitmap(art->data, art->size, out);
}

bool LoadScaledBitmap(int id, int scale, Bitmap& out) {
  const ArtEntry* art = FindArt(ArtKind::Bitmap, id, scale);
  if (art == nullptr) return FailBitmap(out);
  return ParseBitmap(art->data, art->size, out);
}

bool LoadIcons(int id, std::vector<Icon>& out) {
  const ArtEntry* art = FindArt(ArtKind::Icon, id);
  if (art == nullptr) {
    out.clear();
    return false;
  }
  return ParseIcons(art->data, art->size, out);
}

bool LoadIcon(int id, Icon& out) {
  const ArtEntry* art = FindArt(ArtKind::Icon, id);
  if (art == nullptr) return FailIcon(out);
  return ParseIcon(art->data, art->size, out);
}

}  // namespace res
