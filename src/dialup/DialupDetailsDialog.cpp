// The dial-up details dialog: modem list from the dial-up library, dial mode, outside-line prefix,
// access points built through the stored dial pattern, and the save of those choices.
#include "dialup/DialupDetailsDialog.h"

#include <utility>
#include <vector>

#include "dialup/DialupDialog.h"
#include "dialup/RasLibrary.h"
#include "settings/SignSettings.h"
#include "ui/text.h"

namespace {

constexpr int kPrefixLimit = 10;
constexpr int kAccessPointLimit = 32;
constexpr int kNumberLimit = 32;

// A drop-down list whose selected item already reads `value` keeps that selection: selecting by
// prefix again could move it to an earlier item that merely starts with the same text.
void ExchangeList(ui::DataExchange& dx, int id, std::string& value, int limitBytes) {
  ui::Control* c = dx.GetDialog()->GetDlgItem(id);
  if (c == nullptr) return;
  if (dx.saving) {
    dx.CBString(id, value);
    if (limitBytes > 0) value = ui::ClipAnsi(value, static_cast<size_t>(limitBytes));
    return;
  }
  if (c->GetCurSel() >= 0 && c->GetLBText(c->GetCurSel()) == value && c->GetWindowText() == value)
    return;
  dx.CBString(id, value);
}

std::string ReplaceAll(const std::string& text, const std::string& what, const std::string& with) {
  if (what.empty()) return text;
  std::string out;
  size_t from = 0;
  for (size_t at; (at = text.find(what, from)) != std::string::npos; from = at + what.size()) {
    out.append(text, from, at - from);
    out += with;
  }
  out.append(text, from, std::string::npos);
  return out;
}

}  // namespace

const ui::MessageEntry<CDialupDetailsDlg> CDialupDetailsDlg::kMessageMap[6] = {
    {ui::CBN_SELCHANGE, kAccessPointList, &CDialupDetailsDlg::OnAccessPointChanged},
    {ui::CBN_KILLFOCUS, kAccessPointList, &CDialupDetailsDlg::OnAccessPointKillFocus},
    {ui::BN_CLICKED, kToneBox, &CDialupDetailsDlg::OnToneClicked},
    {ui::BN_CLICKED, kPulseBox, &CDialupDetailsDlg::OnPulseClicked},
    {ui::CBN_SELCHANGE, kPrefixCombo, &CDialupDetailsDlg::OnPrefixChanged},
    {ui::CBN_KILLFOCUS, kPrefixCombo, &CDialupDetailsDlg::OnPrefixKillFocus},
};

CDialupDetailsDlg::CDialupDetailsDlg(ui::Window* parent) : ui::Dialog(kTemplateId, parent) {}

void CDialupDetailsDlg::DoDataExchange(ui::DataExchange& dx) {
  ExchangeList(dx, kModemList, modemText, 0);
  dx.Check(kToneBox, tone);
  dx.Check(kPulseBox, pulse);
  if (ui::Control* c = GetDlgItem(kPrefixCombo); c != nullptr && !dx.saving)
    c->SetLimitText(kPrefixLimit);
  dx.CBString(kPrefixCombo, prefixText);
  if (dx.saving) prefixText = ui::ClipAnsi(prefixText, kPrefixLimit);
  ExchangeList(dx, kAccessPointList, accessPointText, kAccessPointLimit);
  dx.Text(kNumberBox, numberText, kNumberLimit);
}

bool CDialupDetailsDlg::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  CSignSettings* settings = CSignSettings::Current();
  const bool lan = settings->ConnectType == "Lan";

  modemListed_ = FillModemList();
  if (!modemListed_) {
    if (!lan) ui::MessageBox(IDS_NO_MODEM_FOUND, ui::MB_OK);
    for (int id : {kModemList, kToneBox, kPulseBox, kPrefixCombo, kAccessPointList, kNumberBox}) {
      if (ui::Control* c = GetDlgItem(id)) c->EnableWindow(false);
    }
  }

  FillAccessPointList();
  GetDlgItem(kAccessPointList)->SetCurSel(0);
  UpdateData(true);

  const bool usePulse = initialDialMode == -1 ? settings->DialMode == "P" : initialDialMode == 1;
  pulse = usePulse ? 1 : 0;
  tone = usePulse ? 0 : 1;

  // A stored prefix that the list lacks becomes an item of its own.
  ui::Control* prefix = GetDlgItem(kPrefixCombo);
  int index = -1;
  if (!settings->OutsideLine.empty()) {
    index = prefix->FindString(-1, settings->OutsideLine);
    if (index < 0) index = prefix->AddString(settings->OutsideLine);
  }
  if (index < 0) index = 0;
  prefix->SetCurSel(index);
  prefixText = prefix->GetLBText(index);

  UpdateData(false);
  numberText = EffectivePrefix(settings->OutsideLine) + accessPointText;
  SetDlgItemText(kNumberBox, numberText);

  toolTip_.Create(this);
  toolTip_.Activate(true);
  toolTip_.AddTool(GetDlgItem(kModemList), IDS_TIP_MODEM);
  toolTip_.AddTool(GetDlgItem(kToneBox), IDS_TIP_DIAL_MODE);
  toolTip_.AddTool(GetDlgItem(kPulseBox), IDS_TIP_DIAL_MODE);
  toolTip_.AddTool(GetDlgItem(kPrefixCombo), IDS_TIP_PREFIX);
  toolTip_.AddTool(GetDlgItem(kAccessPointList), IDS_TIP_ACCESS_POINT);
  return true;
}

bool CDialupDetailsDlg::FillModemList() {
  ui::Control* list = GetDlgItem(kModemList);
  list->ResetContent();
  CSignSettings* settings = CSignSettings::Current();
  if (settings->statusFlags & CSignSettings::kStatusDialupAvailable) {
    // The library stays loaded only for this call.
    RasLibrary ras;
    if (ras.IsComplete() && ras.CountModems() > 0) {
      std::vector<std::string> names;
      const bool enumerated = ras.EnumModems(names);
      if (chosenModem.empty()) chosenModem = settings->ModemName;
      if (enumerated) {
        int selected = 0;
        for (const std::string& name : names) {
          const int at = list->AddString(name);
          if (name == chosenModem) selected = at;
        }
        list->SetCurSel(selected);
        UpdateData(true);
      }
      return enumerated;
    }
  }
  list->AddString(res::String(IDS_NO_MODEM_ITEM));
  list->SetCurSel(0);
  return false;
}

bool CDialupDetailsDlg::FillAccessPointList() {
  CSignSettings* settings = CSignSettings::Current();
  ui::Control* list = GetDlgItem(kAccessPointList);
  list->ResetContent();
  itemSlot_ = {-1, -1, -1};
  const std::string* stored[] = {&settings->PhoneNumber, &settings->PhoneNumber2,
                                 &settings->PhoneNumber3};
  int count = 0;
  for (int slot = 0; slot < 3; ++slot) {
    if (stored[slot]->empty()) continue;
    list->AddString(dialup::ExpandDialPattern(settings->PreFixNumber, *stored[slot]));
    itemSlot_[static_cast<size_t>(count++)] = slot;
  }
  if (count > 0) return true;
  list->AddString(
      dialup::ExpandDialPattern(settings->PreFixNumber, res::String(IDS_DIAL_PLACEHOLDER)));
  list->EnableWindow(false);
  return false;
}

std::string CDialupDetailsDlg::EffectivePrefix(const std::string& text) const {
  std::string prefix = text.empty() ? GetDlgItemText(kPrefixCombo) : text;
  if (prefix == res::String(IDS_NO_PREFIX)) prefix.clear();
  return prefix;
}

void CDialupDetailsDlg::RefreshNumber() {
  numberText = EffectivePrefix("") + accessPointText;
  SetDlgItemText(kNumberBox, numberText);
}

std::string CDialupDetailsDlg::StoredNumberOf(int index) const {
  if (index < 0 || index >= static_cast<int>(itemSlot_.size()) ||
      itemSlot_[static_cast<size_t>(index)] < 0)
    return res::String(IDS_DIAL_PLACEHOLDER);
  const CSignSettings* settings = CSignSettings::Current();
  const std::string* stored[] = {&settings->PhoneNumber, &settings->PhoneNumber2,
                                 &settings->PhoneNumber3};
  return *stored[itemSlot_[static_cast<size_t>(index)]];
}

void CDialupDetailsDlg::OnAccessPointChanged() {
  UpdateData(true);
  ui::Control* list = GetDlgItem(kAccessPointList);
  const int index = list->GetCurSel();
  if (index < 0) return;
  rememberedIndex_ = index;
  SetDlgItemText(kNumberBox, EffectivePrefix("") + list->GetLBText(index));
}

void CDialupDetailsDlg::OnAccessPointKillFocus() {
  ui::Control* list = GetDlgItem(kAccessPointList);
  int index = list->GetCurSel();
  if (index < 0) index = rememberedIndex_;
  rememberedIndex_ = index;
  UpdateData(true);
  if (accessPointText.find(StoredNumberOf(index)) == std::string::npos) {
    ui::MessageBox(IDS_NUMBER_FIXED, ui::MB_OK);
    accessPointText = list->GetLBText(index);
    UpdateData(false);
  }
  RefreshNumber();
}

void CDialupDetailsDlg::ToggleDialMode(int& clicked, int& other) {
  UpdateData(true);
  other = 0;
  // Ctrl held while clicking clears the box as well, leaving no dial mode at all.
  clicked = (ui::GetKeyState(ui::VK_CONTROL) & 0x8000) ? 0 : 1;
  UpdateData(false);
  RefreshNumber();
}

void CDialupDetailsDlg::OnToneClicked() { ToggleDialMode(tone, pulse); }

void CDialupDetailsDlg::OnPulseClicked() { ToggleDialMode(pulse, tone); }

void CDialupDetailsDlg::OnPrefixChanged() {
  UpdateData(true);
  ui::Control* prefix = GetDlgItem(kPrefixCombo);
  const int index = prefix->GetCurSel();
  if (index < 0) return;
  SetDlgItemText(kNumberBox, EffectivePrefix(prefix->GetLBText(index)) + accessPointText);
}

void CDialupDetailsDlg::OnPrefixKillFocus() {
  UpdateData(true);
  RefreshNumber();
}

void CDialupDetailsDlg::OnOK() {
  UpdateData(true);
  CSignSettings* settings = CSignSettings::Current();
  const std::string dialMode = tone ? "T" : pulse ? "P" : "";
  // The "no modem" item is no modem name: the stored one stays.
  settings->SetModem(modemListed_ ? modemText : settings->ModemName, dialMode);

  // The chosen access point becomes PhoneNumber; the pattern keeps what surrounds its number.
  const std::string placeholder = res::String(IDS_DIAL_PLACEHOLDER);
  std::string* stored[] = {&settings->PhoneNumber, &settings->PhoneNumber2,
                           &settings->PhoneNumber3};
  const int slot = rememberedIndex_ >= 0 && rememberedIndex_ < static_cast<int>(itemSlot_.size())
                       ? itemSlot_[static_cast<size_t>(rememberedIndex_)]
                       : -1;
  if (slot >= 0) {
    const std::string chosen = *stored[slot];
    std::swap(*stored[0], *stored[slot]);
    settings->PreFixNumber = accessPointText.find(chosen) != std::string::npos
                                 ? ReplaceAll(accessPointText, chosen, placeholder)
                                 : placeholder;
  } else {
    settings->PreFixNumber = accessPointText;
  }

  settings->OutsideLine = prefixText == res::String(IDS_NO_PREFIX) ? std::string() : prefixText;
  // The settings hold for this run even when they cannot be stored.
  if (!settings->SaveNetInfo("")) CSignSettings::ShowFailedSave(false);
  EndDialog(ui::IDOK);
}

bool CDialupDetailsDlg::OnCommand(UINT code, int id) {
  return ui::Dispatch(this, kMessageMap, code, id) || ui::Dialog::OnCommand(code, id);
}

bool CDialupDetailsDlg::PreTranslateMessage(ui::Message& msg) {
  toolTip_.RelayEvent(msg);
  return ui::Dialog::PreTranslateMessage(msg);
}
