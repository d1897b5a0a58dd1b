// The artwork compiled into the program: the page pictures and the icon as the bytes of their
// files, generated at build time from src/res/art.
#pragma once

#include <cstddef>

namespace res {

enum class ArtKind { Bitmap, Icon };

struct ArtEntry {
  ArtKind kind;
  int id;
  int scale;  // percent of the page's pixels it is drawn for (100: the page's own size)
  const unsigned char* data;
  size_t size;
};

extern const ArtEntry kArt[];
extern const size_t kArtCount;

}  // namespace res
