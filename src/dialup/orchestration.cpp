// Connection orchestration of the application object: the one dial-up object, connecting before
// a server transaction (LAN, an existing dial-up connection, or a dial through the progress
// dialog) and hanging up afterwards.
#include <new>

#include "app/SignApp.h"
#include "dialup/DialupDialog.h"

namespace {

constexpr UINT kTextNoLibrary = 14624;
constexpr UINT kTextNoResources = 177;
constexpr UINT kTextNoModem = 14603;
constexpr UINT kTextServerName = 14615;
constexpr UINT kTextDropAndConnect = 14608;
constexpr UINT kTextConnect = 14611;
constexpr UINT kTextSignupUser = 14007;
constexpr UINT kTextSignupPassword = 14008;
constexpr UINT kTextRecoveryUser = 14023;
constexpr UINT kTextRecoveryPassword = 14024;
constexpr UINT kTextDialPlaceholder = 14058;

}  // namespace

namespace dialup {

std::string ExpandDialPattern(const std::string& pattern, const std::string& number) {
  const std::string placeholder = ui::LoadString(kTextDialPlaceholder);
  if (placeholder.empty() || pattern.find(placeholder) == std::string::npos) return number;
  std::string out;
  size_t from = 0;
  for (size_t at; (at = pattern.find(placeholder, from)) != std::string::npos;
       from = at + placeholder.size()) {
    out.append(pattern, from, at - from);
    out += number;
  }
  out.append(pattern, from, std::string::npos);
  return out;
}

}  // namespace dialup

void DialupDeleter::operator()(DialupDialog* dialog) const { delete dialog; }

DialupDialog* CSignApp::CreateDialupObject(bool report) {
  // The old object's library goes with it; a connection it made stays up.
  dialup.reset();
  if ((statusFlags & kStatusDialupAvailable) == 0) {
    if (report) ui::MessageBox(kTextNoLibrary, ui::MB_OK | ui::MB_ICONSTOP);
    return nullptr;
  }
  dialup.reset(new (std::nothrow) DialupDialog());
  if (!dialup) {
    ui::MessageBox(kTextNoResources, ui::MB_OK | ui::MB_ICONSTOP);
    return nullptr;
  }
  if (!dialup->IsComplete()) {
    dialup.reset();
    if (report) ui::MessageBox(kTextNoLibrary, ui::MB_OK | ui::MB_ICONSTOP);
    return nullptr;
  }
  // A failed count keeps the object: only a machine known to have no modem is LAN-only.
  if (dialup->CountModems() == 0) {
    dialup.reset();
    if (report) ui::MessageBox(kTextNoModem, ui::MB_OK | ui::MB_ICONSTOP);
    return nullptr;
  }
  return dialup.get();
}

bool CSignApp::EnsureConnected(ui::Window* parent) {
  if ((connectionFlags & kConnLan) != 0) return true;
  if (CreateDialupObject(true) == nullptr) return false;
  signupEntryName.clear();
  // Any dial-up connection will do, whoever made it.
  if (dialup->IsConnected("")) return true;
  return ConnectForServer(false, parent);
}

bool CSignApp::ConnectForServer(bool askFirst, ui::Window* parent) {
  // Without a dial-up object the user has been told already (start-up or CreateDialupObject).
  if (!dialup) return false;
  if (askFirst) {
    const std::string server = ui::LoadString(kTextServerName);
    std::string activeEntry;
    if (dialup->HangUpAll(false, &activeEntry)) {
      std::string text = ui::Format(ui::LoadString(kTextDropAndConnect), activeEntry, server);
      if (ui::MessageBox(text, ui::MB_YESNO) != ui::IDYES) return false;
      dialup->HangUpAll(true);
    } else {
      std::string text = ui::Format(ui::LoadString(kTextConnect), server);
      if (ui::MessageBox(text, ui::MB_YESNO) != ui::IDYES) return false;
    }
  }

  const bool recovery = mode == 1 || mode == 2;
  const std::string user = ui::LoadString(recovery ? kTextRecoveryUser : kTextSignupUser);
  const std::string password =
      ui::LoadString(recovery ? kTextRecoveryPassword : kTextSignupPassword);
  const std::string number = dialup::ExpandDialPattern(PreFixNumber, FreeAP);

  int outcome = ui::IDCANCEL;
  if (dialup->PrepareEntry(signupEntryName, ModemName, user, password, number) == 0) {
    if (parent != nullptr) parent->EnableWindow(false);
    outcome = dialup->DoModal();
    if (parent != nullptr) parent->EnableWindow(true);
  }
  // The entry exists only for the dial; the connection stays up until HangUpDialup.
  dialup->RemoveEntry(signupEntryName);
  signupEntryName.clear();
  return outcome == ui::IDOK;
}

void CSignApp::HangUpDialup() {
  if ((connectionFlags & kConnLan) == 0 && dialup) dialup->HangUpAll(true);
}
