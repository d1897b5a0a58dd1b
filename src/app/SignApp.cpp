// The application object: single instance, the provider's deployment data, settings and server
// URLs, the presence window, the wizard run modally, and the clean-up of the dial-up state
// afterwards.
#include "app/SignApp.h"

#include <array>
#include <tuple>

#include "app/SignPresenceWnd.h"
#include "app/SignStart.h"
#include "dialup/DialupDialog.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "res/deployment.h"
#include "res/resources.h"

void MutexCloser::operator()(void* handle) const {
  if (handle != nullptr) CloseHandle(handle);
}

CSignApp::CSignApp(WizardFactory makeWizard) : makeWizard_(makeWizard) {}

CSignApp::~CSignApp() = default;

CSignApp* CSignApp::Get() { return dynamic_cast<CSignApp*>(ui::Application::Current()); }

bool CSignApp::InitInstance() {
  if (!ui::SocketInit()) return false;

  // A second copy ends silently while the first one runs, bringing that one's wizard forward
  // so that the user sees where it is.
  HANDLE mutex = CreateMutexA(nullptr, FALSE, "PARLANZA_SIGNUP_RUNNING");
  const DWORD created = GetLastError();
  instanceMutex.reset(mutex);
  if (created == ERROR_ALREADY_EXISTS) {
    CSignPresenceWnd::BringRunningCopyForward();
    return false;
  }

  ui::EnableControlContainer();
  ui::Enable3dControls();
  // The provider's own values set at install time, before anything reads them; a bad one is
  // said and its built-in value used.
  if (const auto refused = res::LoadDeployment(); !refused.empty())
    ui::MessageBox(res::DeploymentMessage(refused), ui::MB_ICONEXCLAMATION | ui::MB_OK);
  SelectProfile("");
  LoadSettings("", "");
  LoadServerUrls();
  if (profileReadError != 0) RefuseUnreadableStore();
  SetDialogBkColor(RGB(85, 159, 255), RGB(255, 255, 255));

  dialup.reset();
  if (CreateDialupObject(false) == nullptr)
    ui::MessageBox(res::String(IDS_LAN_ONLY), ui::MB_ICONEXCLAMATION | ui::MB_OK);

  auto presence = std::make_unique<CSignPresenceWnd>();
  if (!presence->Create()) return false;

  std::unique_ptr<CSignStart> wizard = makeWizard_ != nullptr ? makeWizard_() : nullptr;
  if (!wizard) return false;
  mainWindow = wizard.get();
  sheet = wizard.get();
  wizard->CopyUserInfoToPages();
  wizard->AddWizardPages();
  wizard->DoModal();
  mainWindow = nullptr;
  sheet = nullptr;

  if (dialup) {
    HangUpDialup();
    signupEntryName = res::String(IDS_SIGNUP_ENTRY_NAME);
    dialup->RemoveEntry(signupEntryName);
    dialup.reset();
  }
  presence.reset();
  wizard.reset();
  return false;
}

int CSignApp::ExitInstance() {
  if (instanceMutex) ReleaseMutex(instanceMutex.get());
  instanceMutex.reset();
  return 0;
}

void CSignApp::LoadServerUrls() {
  SelectProfile("Servers");
  signupServerUrl = GetProfileString("", "SignupPage", res::String(IDS_SIGNUP_SERVER_URL));
  profileServerUrl = GetProfileString("", "ProfilePage", res::String(IDS_PROFILE_SERVER_URL));
  searchServerUrl = GetProfileString("", "SearchPage", res::String(IDS_SEARCH_SERVER_URL));
  SelectProfile("");
}

void CSignApp::RefuseUnreadableStore() {
  profileWritesRefused = true;
  const UINT reason = profileReadError == ERROR_BADDB           ? IDS_STORE_NOT_OURS
                      : profileReadError == ERROR_ACCESS_DENIED ? IDS_STORE_DENIED
                                                                : IDS_STORE_CANT_READ;
  std::string text = ui::Format(res::String(IDS_STORE_UNREADABLE), platform::RegistryStoreName(),
                                res::String(reason));
  text += ui::Format("(#%d)", static_cast<int>(profileReadError));
  ui::MessageBox(text, ui::MB_ICONSTOP | ui::MB_OK);
}

void CSignApp::SelectProfile(const std::string& name) { CSignSettings::SelectProfile(*this, name); }

void CSignApp::FormatUserSummary(std::string& out) {
  std::array<std::string, kUserSummarySlots> shown;
  std::array<bool, kUserSummarySlots> taken = {};
  for (const UserField& field : kUserFields) {
    const auto at = static_cast<size_t>(field.summarySlot);
    if (taken[at]) shown[at] += "-";
    shown[at] +=
        field.kind == UserFieldKind::Choice ? ShownSex(this->*field.member) : this->*field.member;
    taken[at] = true;
  }
  out = std::apply(
      [](const auto&... values) { return ui::Format(res::String(IDS_USER_SUMMARY), values...); },
      shown);
}
