// The dial progress dialog and the signup phone-book entry it dials.
#include "dialup/DialupDialog.h"

#include "settings/SignSettings.h"

namespace {

// Options of the signup entry: IP header and software compression, the remote default gateway and
// an encrypted password.
constexpr DWORD kSignupEntryOptions = RASEO_IpHeaderCompression | RASEO_RemoteDefaultGateway |
                                      RASEO_SwCompression | RASEO_RequireEncryptedPw;
static_assert(kSignupEntryOptions == 0x618);

// The longest a dial may take, well beyond a modem's own answer and negotiation times: a library
// whose dial never ends cannot hold the dialog (or a scripted run) for ever.
constexpr DWORD kDialLimitMs = 180000;

}  // namespace

const ui::MessageEntry<DialupDialog> DialupDialog::kMessageMap[1] = {
    {ui::BN_CLICKED, kRedialButtonId, &DialupDialog::OnRedial},
};

DialupDialog::DialupDialog() : ui::Dialog(kTemplateId) {}

DialupDialog::~DialupDialog() = default;

// ---- The signup entry ------------------------------------------------------------------------

int DialupDialog::PrepareEntry(std::string& entryName, const std::string& modemName,
                               const std::string& userName, const std::string& password,
                               const std::string& dialNumber) {
  ui::WaitCursor wait;
  if (entryName.empty()) entryName = res::String(IDS_SIGNUP_ENTRY_NAME);
  dialNumber_ = dialNumber;
  userName_ = userName;
  password_ = password;

  if (CountModems() == 0) {
    ui::MessageBox(IDS_NO_MODEM_FOUND, ui::MB_OK);
    return -2;
  }
  std::string deviceName;
  std::string deviceType;
  if (!FindModem(modemName, deviceName, deviceType)) {
    ui::MessageBox(ui::Format(res::String(IDS_MODEM_MISSING), modemName), ui::MB_OK);
    return -1;
  }
  modemName_ = modemName;

  // A leftover entry of that name is replaced, never reused.
  std::string unused;
  if (MakeUniqueEntryName(entryName, unused, "") == ERROR_ALREADY_EXISTS) RemoveEntry(entryName);
  entryName_ = entryName;

  DWORD result =
      CreateEntry(entryName, deviceType, deviceName, RASNP_Ip, RASFP_Ppp, dialNumber, "");
  if (result != 0) return static_cast<int>(result);
  result = SetEntryOptions(entryName, kSignupEntryOptions, true, "", 0, "");
  if (result != 0) return static_cast<int>(result);
  return static_cast<int>(SetEntryDialParams(entryName, userName, password));
}

void DialupDialog::RemoveEntry(const std::string& entryName) {
  DeleteEntry(entryName.empty() ? entryName_ : entryName, "");
}

// ---- Dialling --------------------------------------------------------------------------------

void DialupDialog::PumpMessages(DWORD ms) {
  if (ms == 0)
    ui::PumpMessages();
  else
    ui::PumpMessagesFor(ms);
}

bool DialupDialog::DialAndWait() {
  ResetDialError();
  const CSignSettings* settings = CSignSettings::Current();
  std::string dialString = settings->DialMode + settings->OutsideLine + dialNumber_;
  DWORD result =
      Dial(entryName_, &RasLibrary::DialNotifier, dialString, userName_, password_, "", "");
  if (result != 0) return FailDial(result, 0);

  const DWORD started = ui::TickCount();
  for (;;) {
    PumpMessages(0);
    if (cancelled_) return false;
    std::string text;
    bool connected = false;
    bool finished = GetStatusText(text, connected);
    if (text != lastStatusText_) {
      lastStatusText_ = text;
      ShowStatus(text);
    }
    PumpMessages(100);
    // Cancel may have come during the pause; it has hung up already, so a state read before it
    // must not be reported as a connection.
    if (cancelled_) return false;
    DWORD code = 0;
    DWORD extended = 0;
    if (GetDialError(code, extended)) return FailDial(code, extended);
    if (finished) return connected;
    if (ui::TickCount() - started >= kDialLimitMs) return FailDial(ERROR_REQUEST_TIMEOUT, 0);
  }
}

bool DialupDialog::FailDial(DWORD code, DWORD extended) {
  std::string text;
  GetErrorText(code, extended, text);
  HangUp(entryName_);
  // The user may have cancelled while the hang-up served the window: the dialog is gone.
  if (cancelled_) return false;
  ShowStatus(text);
  ui::MessageBox(text, ui::MB_OK | ui::MB_ICONSTOP);
  return false;
}

void DialupDialog::ShowStatus(const std::string& text) {
  if (statusBox_ != nullptr) statusBox_->SetWindowText(text);
  UpdateData(false);
}

// ---- Dialog ----------------------------------------------------------------------------------

void DialupDialog::DoDataExchange(ui::DataExchange& dx) { dx.Bind(kStatusBoxId, statusBox_); }

bool DialupDialog::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  cancelled_ = 0;
  if (ui::Control* redial = GetDlgItem(kRedialButtonId)) redial->EnableWindow(false);
  UpdateData(false);
  // Dialling starts once the dialog has been painted.
  SetTimer(kDialTimer, kDialDelayMs);
  return true;
}

void DialupDialog::OnTimer(UINT id) {
  KillTimer(kDialTimer);
  ui::Dialog::OnTimer(id);
  OnRedial();
}

bool DialupDialog::OnCommand(UINT code, int id) {
  return ui::Dispatch(this, kMessageMap, code, id) || ui::Dialog::OnCommand(code, id);
}

void DialupDialog::OnRedial() {
  ui::Control* redial = GetDlgItem(kRedialButtonId);
  if (redial != nullptr) redial->EnableWindow(false);
  UpdateData(true);
  cancelled_ = 0;
  lastStatusText_.clear();
  if (DialAndWait()) {
    EndDialog(ui::IDOK);
    return;
  }
  if (redial != nullptr && !IsModalEnded()) redial->EnableWindow(true);
}

void DialupDialog::OnCancel() {
  // A second Cancel while the first one's hang-up serves the window changes nothing.
  if (cancelled_) return;
  cancelled_ = 1;
  HangUp(entryName_);
  EndDialog(ui::IDCANCEL);
}
