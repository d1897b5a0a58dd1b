// The program's dialog templates as in-memory DLGTEMPLATEEX for CreateDialogIndirectParamW: the
// template's caption, style, dialog units and controls, and its font mapped to a Japanese
// user-interface font that this Windows has.
#include "ui/win32/win32_native.h"

namespace ui::win32 {
namespace {

using platform::win32::WideFromUtf8;

// Predefined window classes by their atoms, as templates name them.
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;
constexpr WORD kComboClass = 0x0085;

// Japanese faces in order of preference; the last is what Wine finds on a Debian machine.
const wchar_t* const kJapaneseFaces[] = {L"MS UI Gothic", L"Meiryo UI",    L"Meiryo",
                                         L"MS PGothic",   L"Yu Gothic UI", L"IPAPGothic"};

class Writer {
 public:
  void Word(WORD w) { words_.push_back(w); }
  void Dword(DWORD d) {
    Word(LOWORD(d));
    Word(HIWORD(d));
  }
  void Text(const std::wstring& text) {
    for (wchar_t c : text) Word(static_cast<WORD>(c));
    Word(0);
  }
  // Controls start on a DWORD boundary.
  void Align() {
    if (words_.size() % 2) Word(0);
  }
  std::vector<WORD> Take() { return std::move(words_); }

 private:
  std::vector<WORD> words_;
};

// The class atom and the style a control of that kind gets. Check boxes and radio buttons are
// the plain (not automatic) kinds, so their state follows the framework's alone; buttons report
// their focus, so the framework hears of it.
std::pair<WORD, DWORD> ClassAndStyle(const res::ControlTemplate& c) {
  DWORD style = c.style | res::WS_CHILD;
  switch (c.kind) {
    case res::ControlKind::CheckBox:
      return {kButtonClass, (style & ~res::kButtonTypeMask) | BS_CHECKBOX | BS_NOTIFY};
    case res::ControlKind::RadioButton:
      return {kButtonClass, (style & ~res::kButtonTypeMask) | BS_RADIOBUTTON | BS_NOTIFY};
    case res::ControlKind::PushButton:
    case res::ControlKind::DefPushButton:
    case res::ControlKind::GroupBox:
      return {kButtonClass, style | BS_NOTIFY};
    case res::ControlKind::Edit:
      return {kEditClass, style};
    case res::ControlKind::ComboDropDown:
    case res::ControlKind::ComboDropList:
      return {kComboClass, style};
    case res::ControlKind::Static:
      return {kStaticClass, style};
  }
  return {kStaticClass, style};
}

int CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool HasFace(const std::wstring& face) {
  if (face.empty() || face.size() >= LF_FACESIZE) return false;
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  face.copy(query.lfFaceName, face.size());
  bool found = false;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExW(dc, &query, FaceFound, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, dc);
  return found;
}

}  // namespace

std::wstring DialogFace(const char* templateFaceUtf8) {
  const std::wstring own = templateFaceUtf8 ? WideFromUtf8(templateFaceUtf8) : std::wstring();
  if (HasFace(own)) return own;
  for (const wchar_t* face : kJapaneseFaces)
    if (HasFace(face)) return face;
  return L"MS Shell Dlg";
}

std::vector<WORD> BuildTemplate(const res::DialogTemplate* t, DWORD style, const std::wstring& face,
                                int pointSize) {
  Writer w;
  w.Word(1);       // dlgVer
  w.Word(0xFFFF);  // signature: DLGTEMPLATEEX
  w.Dword(0);      // helpID
  w.Dword(0);      // exStyle
  w.Dword(style | res::DS_SETFONT);
  const size_t count = t ? t->controls.size() : 0;
  w.Word(static_cast<WORD>(count));
  w.Word(static_cast<WORD>(t ? t->x : 0));
  w.Word(static_cast<WORD>(t ? t->y : 0));
  w.Word(static_cast<WORD>(t ? t->cx : 0));
  w.Word(static_cast<WORD>(t ? t->cy : 0));
  w.Word(0);  // no menu
  w.Word(0);  // the predefined dialog class
  w.Text(t ? WideFromUtf8(t->caption) : std::wstring());
  w.Word(static_cast<WORD>(pointSize));
  w.Word(FW_NORMAL);
  w.Word(MAKEWORD(FALSE, SHIFTJIS_CHARSET));  // italic, charset
  w.Text(face);
  for (size_t i = 0; i < count; ++i) {
    const res::ControlTemplate& c = t->controls[i];
    const auto [atom, controlStyle] = ClassAndStyle(c);
    w.Align();
    w.Dword(0);  // helpID
    w.Dword(c.kind == res::ControlKind::Edit ? WS_EX_CLIENTEDGE : 0);
    w.Dword(controlStyle);
    w.Word(static_cast<WORD>(c.x));
    w.Word(static_cast<WORD>(c.y));
    w.Word(static_cast<WORD>(c.cx));
    w.Word(static_cast<WORD>(c.cy));
    w.Dword(static_cast<DWORD>(c.id));  // IDC_STATIC (-1) as 0xFFFFFFFF
    w.Word(0xFFFF);
    w.Word(atom);
    w.Text(WideFromUtf8(c.text ? c.text : ""));
    w.Word(0);  // no creation data
  }
  return w.Take();
}

}  // namespace ui::win32
