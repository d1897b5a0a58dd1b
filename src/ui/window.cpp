// Windows, controls, dialogs and dialog data exchange.
#include <algorithm>

#include "platform/codepage.h"
#include "res/page_art.h"
#include "ui/backend.h"
#include "ui/framework.h"
#include "ui/text.h"

namespace ui {

namespace {
Backend* g_backend = nullptr;
}

void SetBackend(Backend* backend) { g_backend = backend; }
Backend* GetBackend() { return g_backend; }

Rect DialogUnitsToPixels(int x, int y, int cx, int cy) {
  // Base units of the dialog font: 6 x 13 pixels per 4 x 8 dialog units.
  auto h = [](int v) { return (v * 6 + 2) / 4; };
  auto v = [](int u) { return (u * 13 + 4) / 8; };
  return {h(x), v(y), h(x) + h(cx), v(y) + v(cy)};
}

// ---- System menu -------------------------------------------------------------------------------

UINT SystemMenu::EnableMenuItem(UINT command, UINT flags) {
  const bool wasGreyed = !IsEnabled(command);
  std::erase(greyed_, command);
  if (flags & MF_GRAYED) greyed_.push_back(command);
  return wasGreyed ? MF_GRAYED : MF_ENABLED;
}

bool SystemMenu::IsEnabled(UINT command) const {
  return std::find(greyed_.begin(), greyed_.end(), command) == greyed_.end();
}

// ---- Window ------------------------------------------------------------------------------------

Window::~Window() = default;

void Window::Changed(Change what) {
  if (created_ && g_backend != nullptr) g_backend->Update(*this, what);
}

void Window::SetWindowText(const std::string& text) {
  if (text_ == text) return;
  text_ = text;
  Changed(Change::Text);
}

void Window::EnableWindow(bool enable) {
  if (enabled_ == enable) return;
  enabled_ = enable;
  Changed(Change::Enabled);
}

void Window::ShowWindow(bool show) {
  if (visible_ == show) return;
  visible_ = show;
  Changed(Change::Visible);
}

void Window::MoveWindow(const Rect& rect, bool repaint) {
  rect_ = rect;
  Changed(Change::Geometry);
  if (repaint) Changed(Change::Repaint);
}

void Window::SetWindowPos(int cx, int cy) {
  rect_.right = rect_.left + cx;
  rect_.bottom = rect_.top + cy;
  Changed(Change::Geometry);
}

void Window::SetFocus() {
  if (auto* control = dynamic_cast<Control*>(this)) control->UserFocus();
}

bool Window::HasFocus() const {
  auto* dialog = dynamic_cast<Dialog*>(parent_);
  return dialog != nullptr && dialog->GetFocusControl() == this;
}

UINT Window::SetTimer(UINT id, UINT ms) {
  if (g_backend == nullptr || !created_) return 0;
  g_backend->SetTimer(*this, id, ms);
  return id;
}

bool Window::KillTimer(UINT id) {
  if (g_backend == nullptr) return false;
  g_backend->KillTimer(*this, id);
  return true;
}

// ---- Control -----------------------------------------------------------------------------------

std::string Control::AccessibleName() const {
  const auto* dialog = dynamic_cast<const Dialog*>(GetParent());
  if (dialog != nullptr) {
    const res::ControlNames names = res::FindControlNames(dialog->GetTemplateId(), id_);
    if (!names.name.empty()) return names.name;
  }
  // A list shows its selection, an edit what was typed: neither is the control's name.
  const bool captioned =
      IsButtonLike() || kind_ == res::ControlKind::Static || kind_ == res::ControlKind::GroupBox;
  if (captioned && !text_.empty()) return StripAmpersands(text_);
  if (dialog == nullptr) return {};
  const Control* before = nullptr;
  for (const Control* c : dialog->Controls()) {
    if (c == this) break;
    before = c;
  }
  const bool labelled = before != nullptr && (before->GetKind() == res::ControlKind::Static ||
                                              before->GetKind() == res::ControlKind::GroupBox);
  std::string label = labelled ? StripAmpersands(before->GetWindowText()) : std::string();
  while (!label.empty() && (label.back() == ':' || label.back() == ' ')) label.pop_back();
  return label;
}

std::string Control::AccessibleDescription() const {
  if (const auto* dialog = dynamic_cast<const Dialog*>(GetParent())) {
    const res::ControlNames names = res::FindControlNames(dialog->GetTemplateId(), id_);
    if (!names.description.empty()) return names.description;
  }
  return tooltip_;
}

Control::Control(Window* parent, const res::ControlTemplate& t, const Rect& pixels)
    : id_(t.id), kind_(t.kind), style_(t.style) {
  SetParent(parent);
  SetRectQuiet(pixels);
  text_ = AnsiFromUtf8(t.text);
  visible_ = (t.style & WS_VISIBLE) != 0;
  enabled_ = (t.style & WS_DISABLED) == 0;
  readOnly_ = kind_ == res::ControlKind::Edit && (t.style & ES_READONLY) != 0;
  if (IsCombo()) {
    text_.clear();
    for (const char* item : t.items) items_.push_back(AnsiFromUtf8(item));
  }
  SetCreated(true);
}

bool Control::IsCombo() const {
  return kind_ == res::ControlKind::ComboDropDown || kind_ == res::ControlKind::ComboDropList;
}

bool Control::IsButtonLike() const {
  switch (kind_) {
    case res::ControlKind::PushButton:
    case res::ControlKind::DefPushButton:
    case res::ControlKind::CheckBox:
    case res::ControlKind::RadioButton:
      return true;
    default:
      return false;
  }
}

void Control::SetCheck(int state) {
  // A radio button carries the tab stop of its group while it is checked, so that Tab lands on
  // the chosen one.
  if (kind_ == res::ControlKind::RadioButton)
    style_ = state != 0 ? style_ | WS_TABSTOP : style_ & ~static_cast<DWORD>(WS_TABSTOP);
  if (checked_ == state) return;
  checked_ = state;
  Changed(Change::Checked);
}

void Control::SetLimitText(int bytes) {
  limit_ = bytes < 0 ? 0 : bytes;
  Changed(Change::Limit);
}

void Control::SetReadOnly(bool readOnly) {
  if (readOnly_ == readOnly) return;
  readOnly_ = readOnly;
  Changed(Change::ReadOnly);
}

void Control::SetPasswordChar(char ch) {
  const DWORD style = ch != 0 ? style_ | ES_PASSWORD : style_ & ~static_cast<DWORD>(ES_PASSWORD);
  if (style == style_) return;
  style_ = style;
  Changed(Change::Password);
}

void Control::SetSel(int start, int end) {
  const int length = static_cast<int>(text_.size());
  selStart_ = std::clamp(start, 0, length);
  selEnd_ = end < 0 ? length : std::clamp(end, selStart_, length);
  Changed(Change::Caret);
}

void Control::ScrollCaret() {
  const auto caret = text_.begin() + std::min<size_t>(static_cast<size_t>(selStart_), text_.size());
  firstLine_ = static_cast<int>(std::count(text_.begin(), caret, '\n'));
  Changed(Change::Scroll);
}

int Control::GetLineCount() const {
  return 1 + static_cast<int>(std::count(text_.begin(), text_.end(), '\n'));
}

void Control::LineScroll(int lines) {
  firstLine_ = std::clamp(firstLine_ + lines, 0, std::max(0, GetLineCount() - 1));
  Changed(Change::Scroll);
}

void Control::SetInputMethod(InputMethod mode) {
  ime_ = mode;
  Changed(Change::InputMethod);
}

void Control::ResetContent() {
  items_.clear();
  curSel_ = -1;
  if (kind_ == res::ControlKind::ComboDropList) text_.clear();
  Changed(Change::Items);
}

int Control::AddString(const std::string& item) {
  items_.push_back(item);
  Changed(Change::Items);
  return static_cast<int>(items_.size()) - 1;
}

int Control::SetCurSel(int index) {
  if (index < -1 || index >= GetCount()) {
    curSel_ = -1;
    if (kind_ == res::ControlKind::ComboDropList) text_.clear();
    Changed(Change::Selection);
    return -1;
  }
  curSel_ = index;
  if (index >= 0)
    text_ = items_[static_cast<size_t>(index)];
  else if (kind_ == res::ControlKind::ComboDropList)
    text_.clear();
  Changed(Change::Selection);
  return index;
}

std::string Control::GetLBText(int index) const {
  if (index < 0 || index >= GetCount()) return {};
  return items_[static_cast<size_t>(index)];
}

int Control::FindString(int start, const std::string& prefix) const {
  const int n = GetCount();
  for (int k = 1; k <= n; ++k) {
    int i = (start + k) % n;
    if (i < 0) i += n;
    if (platform::StartsWithNoCase(items_[static_cast<size_t>(i)], prefix)) return i;
  }
  return -1;
}

int Control::FindStringExact(int start, const std::string& text) const {
  const int n = GetCount();
  for (int k = 1; k <= n; ++k) {
    int i = (start + k) % n;
    if (i < 0) i += n;
    if (platform::EqualsNoCase(items_[static_cast<size_t>(i)], text)) return i;
  }
  return -1;
}

int Control::SelectString(int start, const std::string& prefix) {
  int i = FindString(start, prefix);
  if (i >= 0) SetCurSel(i);
  return i;
}

void Control::SetToolTipText(const std::string& text) {
  if (tooltip_ == text) return;
  tooltip_ = text;
  Changed(Change::ToolTip);
}

void Control::Notify(UINT code) {
  if (Window* parent = GetParent()) parent->OnCommand(code, id_);
}

void Control::UserClick() {
  if (kind_ == res::ControlKind::CheckBox) {
    SetCheck(checked_ ? 0 : 1);
  } else if (kind_ == res::ControlKind::RadioButton) {
    // An auto radio button clears the others of its group (WS_GROUP starts a group).
    if (auto* dialog = dynamic_cast<Dialog*>(GetParent())) {
      auto all = dialog->Controls();
      auto self = std::find(all.begin(), all.end(), this);
      auto first = self;
      while (first != all.begin() && !((*first)->GetStyle() & WS_GROUP) &&
             (*(first - 1))->GetKind() == res::ControlKind::RadioButton)
        --first;
      for (auto it = first; it != all.end(); ++it) {
        if (it != first && ((*it)->GetStyle() & WS_GROUP)) break;
        if ((*it)->GetKind() != res::ControlKind::RadioButton) break;
        if (*it != this) (*it)->SetCheck(0);
      }
    }
    SetCheck(1);
  }
  Notify(BN_CLICKED);
}

void Control::UserType(const std::string& text) {
  SetWindowText(limit_ > 0 ? ClipAnsi(text, static_cast<size_t>(limit_)) : text);
  if (IsCombo()) {
    curSel_ = -1;
    Notify(CBN_EDITCHANGE);
  } else {
    Notify(EN_UPDATE);
    Notify(EN_CHANGE);
  }
}

void Control::UserSelect(int index) {
  SetCurSel(index);
  Notify(CBN_SELCHANGE);
}

void Dialog::ClearFocus() {
  Control* old = focus_;
  if (old == nullptr) return;
  focus_ = nullptr;
  if (old->IsEdit())
    old->Notify(EN_KILLFOCUS);
  else if (old->IsCombo())
    old->Notify(CBN_KILLFOCUS);
  old->Changed(Change::Focus);
}

void Control::UserFocus() {
  if (auto* sheet = dynamic_cast<PropertySheet*>(GetParent())) {
    // A sheet button takes the focus from the active page.
    if (PropertyPage* page = sheet->GetActivePage()) page->ClearFocus();
    return;
  }
  auto* dialog = dynamic_cast<Dialog*>(GetParent());
  if (dialog == nullptr) return;
  Control* old = dialog->focus_;
  if (old == this) return;
  dialog->focus_ = this;
  if (old != nullptr) {
    if (old->IsEdit())
      old->Notify(EN_KILLFOCUS);
    else if (old->IsCombo())
      old->Notify(CBN_KILLFOCUS);
    old->Changed(Change::Focus);
  }
  Changed(Change::Focus);
  if (IsEdit())
    Notify(EN_SETFOCUS);
  else if (IsCombo())
    Notify(CBN_SETFOCUS);
}

// ---- Dialog ------------------------------------------------------------------------------------

Dialog::Dialog(int templateId, Window* parent) : templateId_(templateId) { SetParent(parent); }

Dialog::~Dialog() { Destroy(); }

Control* Dialog::AddControl(const res::ControlTemplate& t, const Rect& pixels) {
  controls_.push_back(std::make_unique<Control>(this, t, pixels));
  return controls_.back().get();
}

bool Dialog::Create(Window* parent) {
  if (IsCreated()) return true;
  const res::DialogTemplate* t = res::FindDialog(templateId_);
  if (t == nullptr) return false;
  SetParent(parent);
  text_ = AnsiFromUtf8(t->caption);
  Rect r = DialogUnitsToPixels(0, 0, t->cx, t->cy);
  SetRectQuiet(r);
  result_.reset();
  focus_ = nullptr;
  controls_.clear();
  for (const auto& c : t->controls) AddControl(c, DialogUnitsToPixels(c.x, c.y, c.cx, c.cy));
  SetCreated(true);
  if (g_backend != nullptr) g_backend->CreateWindow(*this);
  return true;
}

void Dialog::Destroy() {
  if (!IsCreated()) return;
  if (g_backend != nullptr) g_backend->DestroyWindow(*this);
  SetCreated(false);
  focus_ = nullptr;
  controls_.clear();
}

int Dialog::DoModal() {
  if (!Create(GetParent())) return -1;
  OnInitDialog();
  if (!result_ && g_backend != nullptr) g_backend->RunModal(*this);
  int result = result_.value_or(IDCANCEL);
  Destroy();
  return result;
}

void Dialog::EndDialog(int result) {
  result_ = result;
  if (g_backend != nullptr && IsCreated()) g_backend->EndModal(*this);
}

bool Dialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void Dialog::OnOK() {
  if (!UpdateData(true)) return;
  EndDialog(IDOK);
}

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

bool Dialog::UpdateData(bool saveAndValidate) {
  DataExchange dx(this, saveAndValidate);
  DoDataExchange(dx);
  return !dx.failed;
}

Control* Dialog::GetDlgItem(int id) const {
  for (const auto& c : controls_)
    if (c->GetDlgCtrlID() == id) return c.get();
  return nullptr;
}

std::vector<Control*> Dialog::Controls() const {
  std::vector<Control*> out;
  out.reserve(controls_.size());
  for (const auto& c : controls_) out.push_back(c.get());
  return out;
}

void Dialog::SetDlgItemText(int id, const std::string& text) {
  if (Control* c = GetDlgItem(id)) c->SetWindowText(text);
}

int Dialog::IsDlgButtonChecked(int id) const {
  Control* c = GetDlgItem(id);
  return c != nullptr ? c->GetCheck() : 0;
}

std::string Dialog::GetDlgItemText(int id) const {
  Control* c = GetDlgItem(id);
  return c != nullptr ? c->GetWindowText() : std::string();
}

void Dialog::CheckDlgButton(int id, int state) {
  if (Control* c = GetDlgItem(id)) c->SetCheck(state);
}

bool Dialog::OnCommand(UINT code, int id) {
  if (code != BN_CLICKED) return false;
  if (id == IDOK) {
    OnOK();
    return true;
  }
  if (id == IDCANCEL) {
    OnCancel();
    return true;
  }
  return false;
}

// ---- Data exchange -----------------------------------------------------------------------------

void DataExchange::Text(int id, std::string& value, int limitBytes) {
  Control* c = dialog_->GetDlgItem(id);
  if (c == nullptr) return;
  if (saving) {
    value = c->GetWindowText();
    if (limitBytes > 0) value = ClipAnsi(value, static_cast<size_t>(limitBytes));
  } else {
    if (limitBytes > 0) c->SetLimitText(limitBytes);
    c->SetWindowText(value);
  }
}

void DataExchange::Check(int id, int& value) {
  Control* c = dialog_->GetDlgItem(id);
  if (c == nullptr) return;
  if (saving)
    value = c->GetCheck();
  else
    c->SetCheck(value);
}

void DataExchange::CBString(int id, std::string& value) {
  Control* c = dialog_->GetDlgItem(id);
  if (c == nullptr) return;
  if (saving) {
    value = c->GetWindowText();
  } else if (c->SelectString(-1, value) < 0 && c->GetKind() == res::ControlKind::ComboDropDown) {
    c->SetWindowText(value);
  }
}

void DataExchange::Bind(int id, Control*& control) {
  if (!saving || control == nullptr) control = dialog_->GetDlgItem(id);
}

}  // namespace ui
