// The user information page: the fields with their byte limits and input methods, the rule for
// Next, the date corrections and the report of the last signup attempt.
#include "pages/SignStep3User.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "app/SignApp.h"
#include "app/SignStart.h"

namespace {

// The date's corrections on Next: a part outside its range takes the fallback; the month and the
// day are rewritten as plain numbers ("05" becomes "5").
struct DateRule {
  std::string UserInfo::*member;
  long low, high;
  const char* fallback;
  bool plain;
};
constexpr DateRule kDateRules[] = {{&UserInfo::Age, 1800, 2999, "1980", false},
                                   {&UserInfo::Age2, 1, 12, "1", true},
                                   {&UserInfo::Age3, 1, 31, "1", true}};

// The entry that the control shows; null for another control.
const UserField* FieldOf(int control) {
  for (const UserField& field : kUserFields)
    if (field.control == control) return &field;
  return nullptr;
}

// The number a date field starts with, as the standard conversion reads it (leading blanks and
// a sign allowed; no digits are 0); values beyond an int count as out of range.
long LeadingNumber(const std::string& text) {
  const long value = std::strtol(text.c_str(), nullptr, 10);
  return std::clamp(value, static_cast<long>(INT_MIN), static_cast<long>(INT_MAX));
}

// A date part: kept (as a plain number when the rule says so) inside its range, its fallback
// otherwise.
std::string DatePart(const std::string& text, const DateRule& rule) {
  const long value = LeadingNumber(text);
  if (value < rule.low || value > rule.high) return rule.fallback;
  return rule.plain ? std::to_string(value) : text;
}

}  // namespace

CSignStep3User::CSignStep3User() : CSignPage(IDD_USER_PAGE, IDB_USER) {}

void CSignStep3User::DoDataExchange(ui::DataExchange& dx) {
  for (const UserField& field : kUserFields) {
    if (field.kind == UserFieldKind::Choice)
      dx.CBString(field.control, entries.*field.member);
    else
      dx.Text(field.control, entries.*field.member, field.limit);
  }
  dx.Bind(IDC_USER_LOG, logEdit);
}

bool CSignStep3User::OnInitDialog() {
  CSignPage::OnInitDialog();
  PlaceControls();
  // The digits, account names and entry code take direct keys only.
  for (const UserField& field : kUserFields) {
    const bool digits = field.kind == UserFieldKind::Digits || field.kind == UserFieldKind::Date;
    if (!digits && field.kind != UserFieldKind::Direct) continue;
    if (ui::Control* c = GetDlgItem(field.control))
      c->SetInputMethod(digits ? ui::InputMethod::DetachedDigits : ui::InputMethod::Detached);
  }
  return true;
}

void CSignStep3User::UpdateNext() {
  UpdateData(true);
  const bool filled = std::all_of(std::begin(kUserFields), std::end(kUserFields), [&](auto& f) {
    return f.next != UserFieldNext::Requires || !(entries.*f.member).empty();
  });
  Sheet()->EnableButton(ui::ID_WIZNEXT, filled);
}

bool CSignStep3User::OnSetActive() {
  Sheet()->SetStandardButtons();
  UpdateNext();
  if (leftForward) ShowLastResult();
  return CSignPage::OnSetActive();
}

void CSignStep3User::ShowLastResult() {
  CSignApp* app = App();
  const int result = app->lastServerResult;
  if (result < 0) {
    const int code = app->FailureCode();
    ServerProtocol::AppendProgress(logEdit, res::String(IDS_SIGNUP_ERROR), code);
  } else {
    ServerProtocol::AppendProgress(logEdit, app->serverMessage, 0);
  }
  // Error 2: none of the wished accounts is free.
  if (ui::Control* field = GetDlgItem(result == 2 ? IDC_MEKOID : IDC_KANA)) field->SetFocus();
}

LRESULT CSignStep3User::OnWizardBack() {
  leftForward = false;
  Sheet()->DisableButton(ui::ID_WIZBACK);
  return 0;
}

LRESULT CSignStep3User::OnWizardNext() {
  ui::WaitCursor wait;
  StoreFields();
  leftForward = true;
  return 0;
}

void CSignStep3User::StoreFields() {
  UpdateData(true);
  for (const DateRule& rule : kDateRules)
    entries.*rule.member = DatePart(entries.*rule.member, rule);
  // The corrections are seen when the user comes back.
  UpdateData(false);
  CSignApp* app = App();
  static_cast<UserInfo&>(*app) = entries;
  app->Sex = StoredSex(entries.Sex);
}

bool CSignStep3User::OnCommand(UINT code, int id) {
  // The name and address fields open the input method when they get the focus; the fields that
  // decide Next (and the year) update it as they are typed in.
  const UserField* field = FieldOf(id);
  if (code == ui::EN_SETFOCUS && field != nullptr && field->kind == UserFieldKind::Japanese) {
    if (ui::Control* c = GetDlgItem(id)) c->SetInputMethod(ui::InputMethod::Open);
    return true;
  }
  if (code == ui::EN_UPDATE && field != nullptr && field->next != UserFieldNext::Ignores) {
    UpdateNext();
    return true;
  }
  return CSignPage::OnCommand(code, id);
}
