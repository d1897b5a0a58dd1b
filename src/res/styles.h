// Win32 window, dialog and control style bits used by the dialog templates, with their Win32
// values: the one declaration of them, which the framework (ui/framework.h) takes up. Kept in
// namespace res (not macros) so they sit beside the framework's own constants.
#pragma once

#include "platform/win32.h"

namespace res {

// Id of labels and group boxes that nothing addresses.
enum : int { IDC_STATIC = -1 };

enum : DWORD {
  // Window styles.
  WS_OVERLAPPED = 0x00000000,
  WS_POPUP = 0x80000000,
  WS_CHILD = 0x40000000,
  WS_VISIBLE = 0x10000000,
  WS_DISABLED = 0x08000000,
  WS_CAPTION = 0x00C00000,
  WS_BORDER = 0x00800000,
  WS_VSCROLL = 0x00200000,
  WS_HSCROLL = 0x00100000,
  WS_SYSMENU = 0x00080000,
  WS_GROUP = 0x00020000,
  WS_TABSTOP = 0x00010000,

  // Dialog styles.
  DS_3DLOOK = 0x0004,
  DS_SETFONT = 0x0040,
  DS_MODALFRAME = 0x0080,
  DS_SETFOREGROUND = 0x0200,
  DS_CONTROL = 0x0400,

  // Edit styles.
  ES_LEFT = 0x0000,
  ES_CENTER = 0x0001,
  ES_MULTILINE = 0x0004,
  ES_PASSWORD = 0x0020,
  ES_AUTOVSCROLL = 0x0040,
  ES_AUTOHSCROLL = 0x0080,
  ES_READONLY = 0x0800,

  // Button styles.
  BS_PUSHBUTTON = 0x0000,
  BS_DEFPUSHBUTTON = 0x0001,
  BS_AUTOCHECKBOX = 0x0003,
  BS_GROUPBOX = 0x0007,
  BS_AUTORADIOBUTTON = 0x0009,

  // Combo box styles.
  CBS_DROPDOWN = 0x0002,
  CBS_DROPDOWNLIST = 0x0003,
  CBS_AUTOHSCROLL = 0x0040,

  // Static styles.
  SS_LEFT = 0x0000,
  SS_CENTER = 0x0001,
};

// The low bits that carry a control's own type (BS_TYPEMASK, the combo type, the static type).
constexpr DWORD kButtonTypeMask = 0x000F;
constexpr DWORD kComboTypeMask = 0x0003;

}  // namespace res
