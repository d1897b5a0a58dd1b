// The program's resources by number (named in res/resource_ids.h): the string table, dialog
// templates, page bitmaps and icon.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "res/resource_ids.h"

namespace res {

// String table. Texts are kept as UTF-8 in the source and served in the system code page (CP932).
// Returns false and leaves `out` empty when the table has no such number.
bool LoadString(UINT id, std::string& out);
// The same, returning the text (empty when missing).
std::string String(UINT id);
// Every number in the table, ascending (for tests and tools).
std::vector<UINT> StringIds();

// Control kinds of a dialog template.
enum class ControlKind {
  Static,         // static text (SS_LEFT / SS_CENTER)
  GroupBox,       // BS_GROUPBOX
  Edit,           // EDIT; ES_MULTILINE, ES_READONLY, ES_PASSWORD, ES_CENTER, WS_VSCROLL in style
  PushButton,     // BS_PUSHBUTTON
  DefPushButton,  // BS_DEFPUSHBUTTON
  CheckBox,       // BS_AUTOCHECKBOX
  RadioButton,    // BS_AUTORADIOBUTTON
  ComboDropDown,  // CBS_DROPDOWN (editable)
  ComboDropList,  // CBS_DROPDOWNLIST
};

struct ControlTemplate {
  int id;  // control id (-1 / 0xFFFF for IDC_STATIC labels)
  ControlKind kind;
  const char* text;    // caption, UTF-8 ("" when none)
  DWORD style;         // Win32 style bits (WS_*, ES_*, BS_*, CBS_*, SS_*: res/styles.h)
  short x, y, cx, cy;  // dialog units; a combo box's cy includes its dropped-down list
  // Initial list items of a combo box (UTF-8), added in order when the control is created.
  std::vector<const char*> items = {};
};

struct DialogTemplate {
  int id;
  const char* caption;  // UTF-8
  DWORD style;          // WS_*, DS_* bits
  short x, y, cx, cy;   // dialog units
  const char* font;     // UTF-8 face name, e.g. "ＭＳ Ｐゴシック"
  int pointSize;
  std::vector<ControlTemplate> controls;
};

// The template of that number, or null.
const DialogTemplate* FindDialog(int id);
// Every template number, ascending.
std::vector<int> DialogIds();

// A 256-colour device-independent bitmap: palette of 256 RGB entries and one index byte per pixel,
// top row first.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> palette;  // 0x00RRGGBB
  std::vector<uint8_t> pixels;    // width * height, top-down
};

// Loads bitmap resource `id`; false (and an empty bitmap) when there is none or it is unreadable.
bool LoadBitmap(int id, Bitmap& out);
// The same picture drawn for `scale` percent of its size (the Windows window at 150 %); false
// when the program has no such drawing (the GTK build has none).
bool LoadScaledBitmap(int id, int scale, Bitmap& out);

// Icon resource `id` as 32-bit pixels (0xAARRGGBB, top-down), largest image; false when missing.
struct Icon {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};
bool LoadIcon(int id, Icon& out);
// Every image of icon resource `id`, largest first (a window manager picks the size it shows);
// false (and none) when missing or when an image is unreadable.
bool LoadIcons(int id, std::vector<Icon>& out);

// Parsers behind LoadBitmap and LoadIcon, for the loaders and for tests. ParseBitmap reads a
// BMP file (BITMAPFILEHEADER + BITMAPINFOHEADER, 8 bits per pixel, uncompressed bottom-up or
// top-down, or BI_RLE8 bottom-up); ParseIcon reads an ICO file with 32-bit BMP images and takes the
// largest, skipping PNG-compressed images (Windows' 256 pixel one). Both return false, with `out`
// emptied, on anything truncated, inconsistent or unsupported.
bool ParseBitmap(const uint8_t* data, size_t size, Bitmap& out);
bool ParseIcon(const uint8_t* data, size_t size, Icon& out);
bool ParseIcons(const uint8_t* data, size_t size, std::vector<Icon>& out);

}  // namespace res
