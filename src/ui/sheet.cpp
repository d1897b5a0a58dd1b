// Property pages and the property sheet in wizard mode.
#include <algorithm>
#include <memory>

#include "res/page_art.h"
#include "ui/backend.h"
#include "ui/framework.h"
#include "ui/text.h"

namespace ui {

// ---- PropertyPage ------------------------------------------------------------------------------

PropertyPage::PropertyPage(int templateId) : Dialog(templateId) {}

bool PropertyPage::OnSetActive() { return true; }
bool PropertyPage::OnKillActive() { return UpdateData(true); }
LRESULT PropertyPage::OnWizardBack() { return 0; }
LRESULT PropertyPage::OnWizardNext() { return 0; }
bool PropertyPage::OnWizardFinish() { return true; }

std::string PropertyPage::AccessibleName() const {
  std::string title = res::PageTitle(GetTemplateId());
  if (title.empty()) {
    if (const res::DialogTemplate* t = res::FindDialog(GetTemplateId()))
      title = AnsiFromUtf8(t->caption);
  }
  return title;
}

// ---- PropertySheet -----------------------------------------------------------------------------

namespace {
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kMargin = 11;
constexpr int kGap = 7;

res::ControlTemplate Button(int id, const char* text, DWORD extra = 0) {
  return {id, res::ControlKind::PushButton, text, WS_VISIBLE | WS_TABSTOP | extra, 0, 0, 0, 0};
}
}  // namespace

PropertySheet::PropertySheet(UINT captionId, Window* parent, int startPage)
    : caption_(res::String(captionId)), start_(startPage) {
  SetParent(parent);
}

PropertySheet::~PropertySheet() { Destroy(); }

void PropertySheet::AddPage(PropertyPage* page) {
  page->sheet_ = this;
  pages_.push_back(page);
}

PropertyPage* PropertySheet::GetPage(int index) const {
  if (index < 0 || index >= GetPageCount()) return nullptr;
  return pages_[static_cast<size_t>(index)];
}

int PropertySheet::GetPageIndex(const PropertyPage* page) const {
  auto it = std::find(pages_.begin(), pages_.end(), page);
  return it == pages_.end() ? -1 : static_cast<int>(it - pages_.begin());
}

Control* PropertySheet::GetDlgItem(int id) const {
  for (const auto& b : buttons_)
    if (b->GetDlgCtrlID() == id) return b.get();
  return nullptr;
}

std::vector<Window*> PropertySheet::Children() const {
  std::vector<Window*> out;
  for (const auto& b : buttons_) out.push_back(b.get());
  for (PropertyPage* p : pages_)
    if (p->IsCreated()) out.push_back(p);
  return out;
}

bool PropertySheet::Create() {
  if (IsCreated()) return true;
  // The page area is as large as the largest page template.
  int pw = 0, ph = 0;
  for (PropertyPage* p : pages_) {
    if (const res::DialogTemplate* t = res::FindDialog(p->GetTemplateId())) {
      Rect r = DialogUnitsToPixels(0, 0, t->cx, t->cy);
      pw = std::max(pw, r.Width());
      ph = std::max(ph, r.Height());
    }
  }
  const bool help = (sheetFlags & PSH_HASHELP) != 0;
  static const std::string back = AnsiFromUtf8("< 戻る(&B)"), next = AnsiFromUtf8("次へ(&N) >"),
                           finish = AnsiFromUtf8("完了"), cancel = AnsiFromUtf8("ｷｬﾝｾﾙ"),
                           helpText = AnsiFromUtf8("ﾍﾙﾌﾟ");
  buttons_.clear();
  auto add = [&](const res::ControlTemplate& t, const Rect& r, const std::string& text) {
    buttons_.push_back(std::make_unique<Control>(this, t, r));
    buttons_.back()->text_ = text;
    return buttons_.back().get();
  };
  // A tab control always exists (hidden in wizard mode) so the sheet's children can be laid out
  // relative to the page area.
  res::ControlTemplate tab{ID_SHEET_TAB, res::ControlKind::Static, "", WS_VISIBLE, 0, 0, 0, 0};
  Control* tabControl = add(tab, {0, 0, pw, ph}, "");
  if (sheetFlags & PSH_WIZARD) tabControl->visible_ = false;
  const int y = ph + kMargin;
  int x = pw - kMargin - kButtonWidth;
  if (help) {
    add(Button(ID_SHEET_HELP, ""), {x, y, x + kButtonWidth, y + kButtonHeight}, helpText);
    x -= kButtonWidth + kGap;
  }
  add(Button(IDCANCEL, ""), {x, y, x + kButtonWidth, y + kButtonHeight}, cancel);
  x -= kButtonWidth + kGap;
  add(Button(ID_WIZNEXT, ""), {x, y, x + kButtonWidth, y + kButtonHeight}, next);
  Control* fin = add(Button(ID_WIZFINISH, ""), {x, y, x + kButtonWidth, y + kButtonHeight}, finish);
  fin->visible_ = false;
  x -= kButtonWidth;
  add(Button(ID_WIZBACK, ""), {x, y, x + kButtonWidth, y + kButtonHeight}, back);
  SetRectQuiet({0, 0, pw, y + kButtonHeight + kMargin});
  result_.reset();
  active_ = -1;
  SetCreated(true);
  if (GetBackend() != nullptr) GetBackend()->CreateWindow(*this);
  return true;
}

void PropertySheet::Destroy() {
  if (!IsCreated()) return;
  for (PropertyPage* p : pages_) p->Destroy();
  if (GetBackend() != nullptr) GetBackend()->DestroyWindow(*this);
  SetCreated(false);
  buttons_.clear();
  active_ = -1;
}

bool PropertySheet::SetActivePage(int index) {
  if (!IsCreated() || GetPage(index) == nullptr) return false;
  if (!ChangePage(active_, index, 0)) return false;
  OnSelChange();
  return true;
}

bool PropertySheet::ChangePage(int from, int to, int direction) {
  PropertyPage* oldPage = GetPage(from);
  PropertyPage* newPage = GetPage(to);
  if (newPage == nullptr) return false;
  if (oldPage != nullptr && from != to && !oldPage->OnKillActive()) return false;
  if (!newPage->IsCreated()) {
    // Pages are made on their first activation, hidden, at the page area's place.
    if (!newPage->Create(this)) return false;
    newPage->visible_ = false;
    const Control* tab = GetTabControl();
    newPage->MoveWindow(tab != nullptr ? tab->GetWindowRect() : Rect{}, false);
    newPage->OnInitDialog();
  }
  if (oldPage != nullptr && oldPage != newPage) {
    // A hidden page's control loses the focus, as Windows takes it from a hidden window.
    oldPage->ClearFocus();
    oldPage->ShowWindow(false);
  }
  active_ = to;
  newPage->ShowWindow(true);
  Changed(Change::ActivePage);
  newPage->OnSetActive();
  // What the user types next goes somewhere: a page that did not take the focus itself gives it
  // to its first tab stop, as the Windows sheet does; not to a push button, which would take
  // Enter from the sheet's default button.
  if (IsCreated() && active_ == to && newPage->GetFocusControl() == nullptr) {
    Control* first = NextTabStop(*newPage, nullptr, false);
    if (first != nullptr && first->GetKind() != res::ControlKind::PushButton &&
        first->GetKind() != res::ControlKind::DefPushButton)
      first->UserFocus();
  }
  return true;
}

int PropertySheet::TemplateIndex(LRESULT templateId) const {
  for (int i = 0; i < GetPageCount(); ++i)
    if (pages_[static_cast<size_t>(i)]->GetTemplateId() == templateId) return i;
  return -1;
}

void PropertySheet::SetWizardButtons(DWORD flags) {
  Control* back = GetDlgItem(ID_WIZBACK);
  Control* next = GetDlgItem(ID_WIZNEXT);
  Control* finish = GetDlgItem(ID_WIZFINISH);
  if (back != nullptr) back->EnableWindow((flags & PSWIZB_BACK) != 0);
  const bool showFinish = (flags & (PSWIZB_FINISH | PSWIZB_DISABLEDFINISH)) != 0;
  if (next != nullptr) {
    next->ShowWindow(!showFinish);
    next->EnableWindow((flags & PSWIZB_NEXT) != 0);
  }
  if (finish != nullptr) {
    finish->ShowWindow(showFinish);
    finish->EnableWindow((flags & PSWIZB_FINISH) != 0);
  }
}

int PropertySheet::DoModal() {
  if (!Create()) return IDCANCEL;
  int start = GetPage(start_) != nullptr ? start_ : 0;
  if (GetPage(start) != nullptr) ChangePage(-1, start, 0);
  OnInitDialog();
  OnInitMenuPopup(GetSystemMenu(), 0, true);
  Changed(Change::Caption);
  if (!result_ && GetBackend() != nullptr) GetBackend()->RunModal(*this);
  int result = result_.value_or(IDCANCEL);
  Destroy();
  return result;
}

void PropertySheet::EndDialog(int result) {
  result_ = result;
  if (GetBackend() != nullptr && IsCreated()) GetBackend()->EndModal(*this);
}

void PropertySheet::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (GetBackend() == nullptr || message != PSM_SETWIZBUTTONS) return;
  // The posted message only acts if this sheet still runs when it is handled.
  std::weak_ptr<int> alive = alive_;
  GetBackend()->Post([this, alive, lParam] {
    if (!alive.expired() && IsCreated()) SetWizardButtons(static_cast<DWORD>(lParam));
  });
}

bool PropertySheet::OnCommand(UINT code, int id) {
  if (code != BN_CLICKED) return false;
  return DefaultCommand(id);
}

bool PropertySheet::DefaultCommand(int id) {
  PropertyPage* page = GetActivePage();
  switch (id) {
    case ID_WIZBACK:
    case ID_WIZNEXT: {
      if (page == nullptr) return true;
      const int direction = id == ID_WIZNEXT ? 1 : -1;
      const int before = active_;
      LRESULT r = direction > 0 ? page->OnWizardNext() : page->OnWizardBack();
      if (r == -1 || !IsCreated() || IsModalEnded()) return true;
      int target = r == 0 ? before + direction : TemplateIndex(r);
      if (GetPage(target) != nullptr) ChangePage(active_, target, direction);
      return true;
    }
    case ID_WIZFINISH:
      if (page == nullptr || page->OnWizardFinish()) EndDialog(ID_WIZFINISH);
      return true;
    case IDCANCEL:
      if (page != nullptr) page->OnCancel();
      EndDialog(IDCANCEL);
      return true;
    default:
      return false;
  }
}

}  // namespace ui
