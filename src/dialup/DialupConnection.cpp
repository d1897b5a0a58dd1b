// Connection orchestration of the application object: the one dial-up object, connecting before
// a server transaction (LAN, an existing dial-up connection, or a dial through the progress
// dialog) and hanging up afterwards.
#include <algorithm>
#include <new>

#include "dialup/DialupConnection.h"
#include "dialup/DialupDialog.h"
#include "ui/text.h"

namespace dialup {

std::string ExpandDialPattern(const std::string& pattern, const std::string& number) {
  // The pattern and the number are user data of any length, but a number longer than the phone
  // book's field cannot be dialled: the expansion stops there, however many placeholders remain.
  constexpr size_t kLimit = RAS_MaxPhoneNumber;
  const std::string placeholder = res::String(IDS_DIAL_PLACEHOLDER);
  if (placeholder.empty() || pattern.find(placeholder) == std::string::npos)
    return ui::ClipAnsi(number, kLimit);
  std::string out;
  size_t from = 0;
  for (size_t at;
       out.size() <= kLimit && (at = pattern.find(placeholder, from)) != std::string::npos;
       from = at + placeholder.size()) {
    out.append(pattern, from, std::min(at - from, kLimit + 1));
    out.append(number, 0, kLimit + 1);
  }
  if (out.size() <= kLimit) out.append(pattern, from, kLimit + 1);
  return ui::ClipAnsi(out, kLimit);
}

}  // namespace dialup

void DialupDeleter::operator()(DialupDialog* dialog) const { delete dialog; }

DialupConnection::DialupConnection() = default;

DialupConnection::~DialupConnection() = default;

DialupDialog* DialupConnection::CreateDialupObject(bool report) {
  // The old object's library goes with it; a connection it made stays up.
  dialup.reset();
  if ((statusFlags & kStatusDialupAvailable) == 0) {
    if (report) ui::MessageBox(IDS_NO_DIALUP_LIBRARY, ui::MB_OK | ui::MB_ICONSTOP);
    return nullptr;
  }
  dialup.reset(new (std::nothrow) DialupDialog());
  if (!dialup) {
    ui::MessageBox(IDS_NO_RESOURCES, ui::MB_OK | ui::MB_ICONSTOP);
    return nullptr;
  }
  if (!dialup->IsComplete()) {
    dialup.reset();
    if (report) ui::MessageBox(IDS_NO_DIALUP_LIBRARY, ui::MB_OK | ui::MB_ICONSTOP);
    return nullptr;
  }
  // A failed count keeps the object: only a machine known to have no modem is LAN-only.
  if (dialup->CountModems() == 0) {
    dialup.reset();
    if (report) ui::MessageBox(IDS_NO_MODEM_FOUND, ui::MB_OK | ui::MB_ICONSTOP);
    return nullptr;
  }
  return dialup.get();
}

bool DialupConnection::EnsureConnected(ui::Window* parent) {
  if ((connectionFlags & kConnLan) != 0) return true;
  if (CreateDialupObject(true) == nullptr) return false;
  signupEntryName.clear();
  // Any dial-up connection will do, whoever made it.
  if (dialup->IsConnected("")) return true;
  return ConnectForServer(false, parent);
}

bool DialupConnection::ConnectForServer(bool askFirst, ui::Window* parent) {
  // Without a dial-up object the user has been told already (start-up or CreateDialupObject).
  if (!dialup) return false;
  if (askFirst) {
    const std::string server = res::String(IDS_SIGNUP_SERVER_NAME);
    std::string activeEntry;
    if (dialup->HangUpAll(false, &activeEntry)) {
      std::string text = ui::Format(res::String(IDS_DROP_AND_CONNECT), activeEntry, server);
      if (ui::MessageBox(text, ui::MB_YESNO) != ui::IDYES) return false;
      dialup->HangUpAll(true);
    } else {
      std::string text = ui::Format(res::String(IDS_CONNECT_QUESTION), server);
      if (ui::MessageBox(text, ui::MB_YESNO) != ui::IDYES) return false;
    }
  }

  // The wizard mode decides the dial-up account: the recovery account for an existing account and
  // for recovery, the signup account otherwise.
  const bool recovery = mode == WizardMode::ExistingAccount || mode == WizardMode::Recovery;
  const std::string user = res::String(recovery ? IDS_RECOVERY_DIAL_USER : IDS_SIGNUP_DIAL_USER);
  const std::string password =
      res::String(recovery ? IDS_RECOVERY_DIAL_PASSWORD : IDS_SIGNUP_DIAL_PASSWORD);
  const std::string number = dialup::ExpandDialPattern(PreFixNumber, FreeAP);

  int outcome = ui::IDCANCEL;
  const int prepared = dialup->PrepareEntry(signupEntryName, ModemName, user, password, number);
  if (prepared == 0) {
    if (parent != nullptr) parent->EnableWindow(false);
    outcome = dialup->DoModal();
    if (parent != nullptr) parent->EnableWindow(true);
  } else if (prepared > 0) {
    // The library refused the entry: the user is told its reason, as for a dial error (with the
    // code when the library has no words for it).
    std::string text;
    const DWORD code = static_cast<DWORD>(prepared);
    if (dialup->GetErrorText(code, 0, text) != 0) text += ui::Format("(#%d)", prepared);
    ui::MessageBox(text, ui::MB_OK | ui::MB_ICONSTOP);
  }
  // The entry exists only for the dial; the connection stays up until HangUpDialup.
  dialup->RemoveEntry(signupEntryName);
  signupEntryName.clear();
  return outcome == ui::IDOK;
}

void DialupConnection::HangUpDialup() {
  if ((connectionFlags & kConnLan) == 0 && dialup) dialup->HangUpAll(true);
}
