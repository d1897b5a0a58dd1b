// The user information page: the fields with their byte limits and input methods, the rule for
// Next, the date corrections and the report of the last signup attempt.
#include "pages/SignStep3User.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "app/SignApp.h"
#include "app/SignStart.h"

namespace {

// Fields typed without the input method: the digits of the date, postal code and telephone
// number, then the account names and the entry code.
constexpr int kDigitFields[] = {IDC_AGE,  IDC_AGE2, IDC_AGE3, IDC_ZIP,
                                IDC_ZIP2, IDC_TEL,  IDC_TEL2, IDC_TEL3};
constexpr int kDirectFields[] = {IDC_MEKOID, IDC_MEKOID2, IDC_MEKOID3, IDC_ENTRYCODE,
                                 IDC_ENTRYCODE2};

// The number a date field starts with, as the standard conversion reads it (leading blanks and
// a sign allowed; no digits are 0); values beyond an int count as out of range.
long LeadingNumber(const std::string& text) {
  const long value = std::strtol(text.c_str(), nullptr, 10);
  return std::clamp(value, static_cast<long>(INT_MIN), static_cast<long>(INT_MAX));
}

// A date part: kept (as a plain number when `plain`) inside [low, high], `fallback` otherwise.
std::string DatePart(const std::string& text, long low, long high, const char* fallback,
                     bool plain) {
  const long value = LeadingNumber(text);
  if (value < low || value > high) return fallback;
  return plain ? std::to_string(value) : text;
}

}  // namespace

CSignStep3User::CSignStep3User() : CSignPage(IDD_USER_PAGE, IDB_USER) {}

void CSignStep3User::DoDataExchange(ui::DataExchange& dx) {
  dx.Text(IDC_KANA, Kana, 16);
  dx.Text(IDC_KANA2, Kana2, 16);
  dx.Text(IDC_NAME, Name, 16);
  dx.Text(IDC_NAME2, Name2, 16);
  dx.Text(IDC_AGE, Age, 4);
  dx.Text(IDC_AGE2, Age2, 2);
  dx.Text(IDC_AGE3, Age3, 2);
  dx.Text(IDC_ADDRESS1, Address1, 50);
  dx.Text(IDC_ADDRESS2, Address2, 42);
  dx.Text(IDC_TEL, Tel, 6);
  dx.Text(IDC_TEL2, Tel2, 5);
  dx.Text(IDC_TEL3, Tel3, 5);
  dx.Text(IDC_ZIP, Zip, 3);
  dx.Text(IDC_ZIP2, Zip2, 4);
  dx.Text(IDC_MEKOID, MekoID, 8);
  dx.Text(IDC_MEKOID3, MekoID3, 8);
  dx.CBString(IDC_SEX, Sex);
  dx.Text(IDC_MEKOID2, MekoID2, 8);
  dx.Text(IDC_ENTRYCODE, EntryCode, 2);
  dx.Text(IDC_ENTRYCODE2, EntryCode2, 3);
  dx.Bind(IDC_USER_LOG, logEdit);
}

bool CSignStep3User::OnInitDialog() {
  CSignPage::OnInitDialog();
  PlaceControls();
  for (int id : kDigitFields)
    if (ui::Control* c = GetDlgItem(id)) c->SetInputMethod(ui::InputMethod::DetachedDigits);
  for (int id : kDirectFields)
    if (ui::Control* c = GetDlgItem(id)) c->SetInputMethod(ui::InputMethod::Detached);
  return true;
}

void CSignStep3User::UpdateNext() {
  UpdateData(true);
  const std::string* required[] = {&Kana, &Kana2, &Name, &Name2,  &Address1, &Zip,    &Zip2,
                                   &Tel,  &Tel2,  &Tel3, &MekoID, &MekoID2,  &MekoID3};
  const bool filled =
      std::all_of(std::begin(required), std::end(required), [](auto* s) { return !s->empty(); });
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
  CSignApp* app = App();
  UpdateData(true);
  app->Kana = Kana;
  app->Kana2 = Kana2;
  app->Name = Name;
  app->Name2 = Name2;
  Age = DatePart(Age, 1800, 2999, "1980", false);
  app->Age = Age;
  Age2 = DatePart(Age2, 1, 12, "1", true);
  app->Age2 = Age2;
  Age3 = DatePart(Age3, 1, 31, "1", true);
  app->Age3 = Age3;
  // The corrections are seen when the user comes back.
  UpdateData(false);
  app->Sex = Sex == res::String(IDS_SEX_MALE) ? "male" : "fema";
  app->Address1 = Address1;
  app->Address2 = Address2;
  app->Tel = Tel;
  app->Tel2 = Tel2;
  app->Tel3 = Tel3;
  app->Zip = Zip;
  app->Zip2 = Zip2;
  app->MekoID = MekoID;
  app->MekoID2 = MekoID2;
  app->MekoID3 = MekoID3;
  app->EntryCode = EntryCode;
  app->EntryCode2 = EntryCode2;
}

bool CSignStep3User::OnCommand(UINT code, int id) {
  // The name and address fields open the input method when they get the focus; the fields that
  // decide Next update it as they are typed in.
  static constexpr int kJapaneseFields[] = {IDC_KANA,  IDC_KANA2,    IDC_NAME,
                                            IDC_NAME2, IDC_ADDRESS1, IDC_ADDRESS2};
  static constexpr int kNextFields[] = {IDC_KANA, IDC_KANA2,  IDC_NAME,     IDC_NAME2,  IDC_AGE,
                                        IDC_ZIP,  IDC_ZIP2,   IDC_ADDRESS1, IDC_TEL,    IDC_TEL2,
                                        IDC_TEL3, IDC_MEKOID, IDC_MEKOID2,  IDC_MEKOID3};
  auto in = [id](const auto& ids) {
    return std::find(std::begin(ids), std::end(ids), id) != std::end(ids);
  };
  if (code == ui::EN_SETFOCUS && in(kJapaneseFields)) {
    if (ui::Control* c = GetDlgItem(id)) c->SetInputMethod(ui::InputMethod::Open);
    return true;
  }
  if (code == ui::EN_UPDATE && in(kNextFields)) {
    UpdateNext();
    return true;
  }
  return CSignPage::OnCommand(code, id);
}
