// The whole Windows SDK for the user32 backend, then the framework. The framework names its own
// window-system constants and members (MB_OK, WM_TIMER, GetWindowText, PropertySheet ...) with the
// SDK's values, so the SDK's macros of those names are removed in between; the backend calls the
// system by the wide names (MessageBoxW, SetWindowTextW ...), with the platform's CP932
// conversion. Every file of the backend reaches the framework through this header.
#pragma once

// The SDK headers depend on their order.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <imm.h>
// clang-format on

#undef BN_CLICKED
#undef BS_AUTOCHECKBOX
#undef BS_AUTORADIOBUTTON
#undef BS_DEFPUSHBUTTON
#undef BS_GROUPBOX
#undef BS_PUSHBUTTON
#undef CBN_EDITCHANGE
#undef CBN_KILLFOCUS
#undef CBN_SELCHANGE
#undef CBN_SETFOCUS
#undef CBS_AUTOHSCROLL
#undef CBS_DROPDOWN
#undef CBS_DROPDOWNLIST
#undef CreateWindow
#undef DS_3DLOOK
#undef DS_CONTROL
#undef DS_MODALFRAME
#undef DS_SETFONT
#undef DS_SETFOREGROUND
#undef EN_CHANGE
#undef EN_KILLFOCUS
#undef EN_SETFOCUS
#undef EN_UPDATE
#undef ES_AUTOHSCROLL
#undef ES_AUTOVSCROLL
#undef ES_CENTER
#undef ES_LEFT
#undef ES_MULTILINE
#undef ES_PASSWORD
#undef ES_READONLY
#undef GetDlgItemText
#undef GetWindowText
#undef IDCANCEL
#undef IDNO
#undef IDOK
#undef IDYES
#undef LoadBitmap
#undef LoadIcon
#undef LoadString
#undef MB_ICONEXCLAMATION
#undef MB_ICONINFORMATION
#undef MB_ICONMASK
#undef MB_ICONQUESTION
#undef MB_ICONSTOP
#undef MB_OK
#undef MB_OKCANCEL
#undef MB_TYPEMASK
#undef MB_YESNO
#undef MB_YESNOCANCEL
#undef MF_BYCOMMAND
#undef MF_ENABLED
#undef MF_GRAYED
#undef MessageBox
#undef PSH_HASHELP
#undef PSH_WIZARD
#undef PSM_SETWIZBUTTONS
#undef PSP_HASHELP
#undef PSWIZB_BACK
#undef PSWIZB_DISABLEDFINISH
#undef PSWIZB_FINISH
#undef PSWIZB_NEXT
#undef PostMessage
#undef PropertySheet
#undef SC_CLOSE
#undef SC_MAXIMIZE
#undef SC_MINIMIZE
#undef SC_SIZE
#undef SRCCOPY
#undef SS_CENTER
#undef SS_LEFT
#undef SetDlgItemText
#undef SetWindowText
#undef VK_CONTROL
#undef VK_ESCAPE
#undef VK_RETURN
#undef VK_SHIFT
#undef WM_KEYDOWN
#undef WM_LBUTTONDOWN
#undef WM_LBUTTONUP
#undef WM_MOUSEMOVE
#undef WM_TIMER
#undef WS_BORDER
#undef WS_CAPTION
#undef WS_CHILD
#undef WS_DISABLED
#undef WS_GROUP
#undef WS_HSCROLL
#undef WS_OVERLAPPED
#undef WS_POPUP
#undef WS_SYSMENU
#undef WS_TABSTOP
#undef WS_VISIBLE
#undef WS_VSCROLL

#include "platform/win32/text.h"
#include "res/styles.h"
#include "ui/backend.h"
#include "ui/framework.h"
#include "ui/native_tree.h"
