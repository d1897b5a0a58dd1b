// The start page: the mode buttons, the connection list with its details dialogs, and Next, which
// connects for the signup server or goes straight to the communication-ID page.
#include "pages/SignStep1Top.h"

#include <algorithm>
#include <vector>

#include "app/SignApp.h"
#include "app/SignStart.h"
#include "dialup/DialupDetailsDialog.h"
#include "dialup/DialupDialog.h"
#include "netconfig/LanDetailsDialog.h"

const ui::MessageEntry<CSignStep1Top> CSignStep1Top::kMessageMap[4] = {
    {ui::BN_CLICKED, IDC_TONE, &CSignStep1Top::OnTone},
    {ui::BN_CLICKED, IDC_PULSE, &CSignStep1Top::OnPulse},
    {ui::BN_CLICKED, IDC_DETAILS, &CSignStep1Top::OnDetails},
    {ui::CBN_SELCHANGE, IDC_CONNECTION_LIST, &CSignStep1Top::OnConnectionChange},
};

CSignStep1Top::CSignStep1Top() : CSignPage(IDD_START_PAGE, IDB_START) {}

void CSignStep1Top::DoDataExchange(ui::DataExchange& dx) {
  dx.Bind(IDC_CONNECTION_LIST, connectionList);
  dx.Check(IDC_PULSE, pulse);
  dx.Check(IDC_TONE, tone);
  // The connection text selects its item by an exact match: a modem whose name begins with
  // another's must not be taken for it.
  if (ui::Control* list = GetDlgItem(IDC_CONNECTION_LIST)) {
    if (dx.saving) {
      connectionText = list->GetWindowText();
    } else if (const int index = list->FindStringExact(-1, connectionText); index >= 0) {
      list->SetCurSel(index);
    }
  }
}

bool CSignStep1Top::OnInitDialog() {
  CSignPage::OnInitDialog();
  MoveToPageRect();
  PlaceControls();
  toolTips.Create(this);
  toolTips.Activate(true);
  toolTips.AddTool(GetDlgItem(IDC_DETAILS), IDS_TIP_DIALUP_DETAILS);
  return true;
}

void CSignStep1Top::CancelWizard() {
  if (CSignStart* sheet = Sheet()) sheet->EndDialog(ui::IDCANCEL);
}

bool CSignStep1Top::OnSetActive() {
  ui::WaitCursor wait;
  CSignApp* app = App();
  CSignStart* sheet = Sheet();
  sheet->SetStandardButtons();
  sheet->DisableButton(ui::ID_WIZBACK);
  sheet->EnableButton(ui::ID_WIZNEXT, true);
  if (firstActivation) {
    // Somebody who has signed up already can only recover the connection information.
    if (!app->LoginID.empty()) {
      if (ui::Control* c = GetDlgItem(IDC_MODE_NEW)) c->EnableWindow(false);
      if (ui::Control* c = GetDlgItem(IDC_MODE_EXISTING)) c->EnableWindow(false);
      app->mode = WizardMode::Recovery;
    } else {
      app->mode = WizardMode::NewSignup;
    }
  } else if ((app->connectionFlags & CSignSettings::kConnLan) == 0 &&
             app->CreateDialupObject(true) == nullptr) {
    CancelWizard();
    return CSignPage::OnSetActive();
  }
  if (FillConnectionList() == 0) {
    ui::MessageBox(IDS_NO_MODEM_FOUND, ui::MB_OK);
    CancelWizard();
    return CSignPage::OnSetActive();
  }
  ShowSettings();
  ShowModeChoice();
  UpdateData(false);
  return CSignPage::OnSetActive();
}

void CSignStep1Top::ReadModeChoice() {
  CSignApp* app = App();
  app->mode = WizardMode::NewSignup;
  if (IsDlgButtonChecked(IDC_MODE_EXISTING)) app->mode = WizardMode::ExistingAccount;
  if (IsDlgButtonChecked(IDC_MODE_RECOVERY)) app->mode = WizardMode::Recovery;
}

void CSignStep1Top::ShowModeChoice() {
  ui::Control* newSignup = GetDlgItem(IDC_MODE_NEW);
  ui::Control* existing = GetDlgItem(IDC_MODE_EXISTING);
  ui::Control* recovery = GetDlgItem(IDC_MODE_RECOVERY);
  if (newSignup == nullptr || existing == nullptr || recovery == nullptr) return;
  newSignup->SetCheck(0);
  existing->SetCheck(0);
  recovery->SetCheck(0);
  switch (App()->mode) {
    case WizardMode::ExistingAccount:
      existing->SetCheck(1);
      break;
    case WizardMode::Recovery:
      recovery->SetCheck(1);
      break;
    default:
      newSignup->SetCheck(1);
      break;
  }
}

void CSignStep1Top::SetDialUpControls(bool enable) {
  lanChosen = enable ? 0 : 1;
  ui::Control* toneBox = GetDlgItem(IDC_TONE);
  ui::Control* pulseBox = GetDlgItem(IDC_PULSE);
  if (toneBox == nullptr || pulseBox == nullptr) return;
  toneBox->EnableWindow(enable);
  pulseBox->EnableWindow(enable);
}

int CSignStep1Top::FillConnectionList() {
  CSignApp* app = App();
  int result = 1;
  int modems = 0;
  if (connectionList == nullptr) return 0;
  connectionList->ResetContent();
  if (app->dialup && (app->statusFlags & CSignSettings::kStatusDialupAvailable)) {
    modems = app->dialup->CountModems();
    if (modems > 0) {
      std::vector<std::string> names;
      if (app->dialup->EnumModems(names)) {
        int selection = 0;
        for (const std::string& name : names) {
          const int index = connectionList->AddString(name);
          if (!app->ModemName.empty() && name == app->ModemName) selection = index;
        }
        connectionList->SetCurSel(selection);
        UpdateData(true);
      } else {
        result = 0;
      }
    }
  }
  const std::string lanItem = res::String(IDS_LAN_ITEM);
  const int lanIndex = std::max(connectionList->AddString(lanItem), 0);
  const bool lanFlag = (app->connectionFlags & CSignSettings::kConnLan) != 0;
  if (modems <= 0 || lanFlag) {
    connectionList->SetCurSel(lanIndex);
    connectionText = lanItem;
    lanChosen = 1;
  }
  if (modems <= 0) {
    // Without a modem the connection is LAN.
    SetDialUpControls(false);
    app->SetConnectType(true);
  } else {
    SetDialUpControls(!lanFlag);
  }
  return result;
}

void CSignStep1Top::ShowSettings() {
  CSignApp* app = App();
  pulse = app->DialMode == "P" ? 1 : 0;
  tone = app->DialMode == "T" ? 1 : 0;
  if ((app->connectionFlags & CSignSettings::kConnLan) == 0 && connectionList != nullptr) {
    int index = connectionList->FindStringExact(-1, app->ModemName);
    if (index < 0) index = 0;
    connectionList->SetCurSel(index);
    connectionText = connectionList->GetLBText(index);
    SetDialUpControls(true);
  }
  UpdateData(false);
}

void CSignStep1Top::OnTone() {
  tone = 1;
  pulse = 0;
  UpdateData(false);
}

void CSignStep1Top::OnPulse() {
  pulse = 1;
  tone = 0;
  UpdateData(false);
}

void CSignStep1Top::OnConnectionChange() {
  UpdateData(true);
  if (connectionList == nullptr) return;
  const int index = connectionList->GetCurSel();
  if (index < 0) return;
  const std::string text = connectionList->GetLBText(index);
  if (text != res::String(IDS_LAN_ITEM)) {
    connectionList->SetCurSel(index);
    connectionText = text;
    SetDialUpControls(true);
  } else {
    SetDialUpControls(false);
  }
}

void CSignStep1Top::OnDetails() {
  UpdateData(true);
  if (lanChosen == 0) {
    CDialupDetailsDlg details(this);
    details.chosenModem = connectionText;
    details.initialDialMode = pulse;
    details.DoModal();
    ShowSettings();
  } else {
    CLanDetailsDlg details(this);
    details.DoModal();
  }
}

LRESULT CSignStep1Top::OnWizardNext() {
  ui::WaitCursor wait;
  CSignApp* app = App();
  CSignStart* sheet = Sheet();
  sheet->DisableButton(ui::ID_WIZNEXT);
  // The server URLs are read again on every Next.
  app->LoadServerUrls();
  UpdateData(true);
  if (connectionText != res::String(IDS_LAN_ITEM)) {
    app->SetModem(connectionText, pulse == 1 ? "P" : "T");
    app->SetConnectType(false);
  } else {
    app->SetConnectType(true);
  }
  ReadModeChoice();
  if (app->mode == WizardMode::Recovery) {
    sheet->SetActivePage(CSignStart::kCommunicationIdPage);
    firstActivation = 0;
    return -1;
  }
  if (!lanChosen && !app->ConnectForServer(true, this)) {
    sheet->EnableButton(ui::ID_WIZNEXT, true);
    return -1;
  }
  app->DiscoverProxyOnce();
  firstActivation = 0;
  return 0;
}

bool CSignStep1Top::PreTranslateMessage(ui::Message& msg) {
  toolTips.RelayEvent(msg);
  return CSignPage::PreTranslateMessage(msg);
}

bool CSignStep1Top::OnCommand(UINT code, int id) {
  return ui::Dispatch(this, kMessageMap, code, id) || CSignPage::OnCommand(code, id);
}
