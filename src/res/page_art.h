// The layout of the page pictures: each page's control rectangles in pixels, the words each
// picture carries next to them, and the accessible names of the controls whose labels live in a
// picture. artgen draws the pictures from this table; the framework names the controls from it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "res/resources.h"

namespace res {

// A control's place on its page, in pixels of the page picture (a combo box's height includes its
// dropped-down list).
struct PixelRect {
  int id;
  int x, y, w, h;
};

// Height of a closed combo box on a page; the rest of a template's combo height is its list.
inline constexpr int kComboClosedHeight = 22;

// How a piece of lettering is placed: beside, above or below the control it belongs to, centred
// in the gap between that control and `other`, or at a fixed point of the picture.
enum class Anchor { LeftOf, RightOf, Above, AboveCentred, Below, BelowCentred, Between, At };
// Type sizes of the lettering: field labels, small captions and notes, the band's heading.
enum class TypeSize { Label, Small, Heading };

struct Lettering {
  const char* text;  // UTF-8; "\n" starts a new line
  Anchor anchor;
  int control = 0;   // the control it belongs to (At: none)
  int other = 0;     // Between: the control on the right
  int x = 0, y = 0;  // At: top-left corner
  TypeSize size = TypeSize::Label;
};

// One page template and where its controls go.
struct PageLayout {
  int templateId;
  int bitmap;
  int step;  // 1..7, the page's place in the wizard
  std::vector<PixelRect> controls;
};

// One page picture: its heading, the steps it stands for and its lettering. Text boxes
// (multi-line edits) of its pages get a frame.
struct PagePicture {
  int bitmap;
  const char* heading;  // UTF-8
  std::vector<Lettering> lettering;
};

// The seven page layouts in wizard order, and the six pictures.
const std::vector<PageLayout>& PageLayouts();
const std::vector<PagePicture>& PagePictures();
const PageLayout* FindPageLayout(int templateId);
const PagePicture* FindPagePicture(int bitmap);
// The steps (1..7) whose pages show picture `bitmap`, ascending.
std::vector<int> PictureSteps(int bitmap);
// The title of a page: the heading its picture shows (CP932; empty for a template that is no page).
std::string PageTitle(int templateId);
// The rectangle a control covers on its page: a combo box without its list.
PixelRect ShownRect(const PageLayout& layout, const PixelRect& control);

// The title band across the top of every picture; no control may reach into it.
inline constexpr int kBandHeight = 18;
// Palette indices 128-255 of a page picture hold its lettering (the words, the band's heading
// and step marks) and nothing else, so a test can tell that a control covers none of it.
inline constexpr uint8_t kLetteringFirstIndex = 128;
inline bool IsLettering(const Bitmap& picture, int x, int y) {
  return x >= 0 && y >= 0 && x < picture.width && y < picture.height &&
         picture.pixels[static_cast<size_t>(y) * picture.width + x] >= kLetteringFirstIndex;
}

// Accessible name and description of a control whose label is not its own text (CP932; empty
// when the table has no entry for it). Names are the picture's words for the control.
struct ControlNames {
  std::string name;
  std::string description;
};
ControlNames FindControlNames(int templateId, int controlId);
// Every (template, control) the table names, for tests and tools.
std::vector<std::pair<int, int>> NamedControls();

}  // namespace res
