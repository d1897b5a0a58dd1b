// The application object: start-up and shutdown, the wizard mode, the dial-up object, the server
// URLs; it is also the settings record (second base), so every part of the program reaches the
// settings, the server state and the transactions through it.
#pragma once

#include <memory>
#include <string>

#include "app/SignSettings.h"
#include "ui/framework.h"

class CSignStart;
class DialupDialog;

// Destroys a dial-up object (defined with the dial-up code, which knows the type).
struct DialupDeleter {
  void operator()(DialupDialog* dialog) const;
};

// Closes the single-instance mutex handle.
struct MutexCloser {
  void operator()(void* handle) const;
};

class CSignApp : public ui::Application, public CSignSettings {
 public:
  CSignApp();
  ~CSignApp() override;

  // The framework's current application object, as the program's application class.
  static CSignApp* Get();

  // Runs the whole program (single instance, settings, wizard, clean-up); always false.
  bool InitInstance() override;
  // Releases the instance mutex; the framework's exit code.
  int ExitInstance() override;

  // Reads SignupPage, ProfilePage and SearchPage from the Servers profile.
  void LoadServerUrls();
  // Application name (and profile) := name, or "Signup" when empty; registry key Orvel\Lumipass.
  void SelectProfile(const std::string& name);
  // The user-information summary shown before signing up.
  void FormatUserSummary(std::string& out);

  // ---- Dial-up orchestration ----------------------------------------------------------------
  DialupDialog* CreateDialupObject(bool report);
  bool EnsureConnected(ui::Window* parent);
  bool ConnectForServer(bool askFirst, ui::Window* parent);
  void HangUpDialup();

  // ---- Transactions and identity ------------------------------------------------------------
  bool RunSignup();
  std::string BuildSignupForm();
  void ReadRegistration(std::string& productId, std::string& organization, std::string& owner);
  std::string ComputeMachineId();
  // Appends a line (with "(#%d)" when code is not 0) to a read-only log edit; null: nothing.
  void AppendProgress(ui::Control* edit, const std::string& text, int code);
  // Discovers the system proxy at the first call of the run; always true.
  bool DiscoverProxyOnce();

  // ---- Members, in order --------------------------------------------------------------------
  int mode = 0;  // 0 new signup, 1 existing account, 2 recovery
  std::string signupEntryName;
  std::unique_ptr<DialupDialog, DialupDeleter> dialup;
  CSignStart* sheet = nullptr;
  int proxyDiscoveryPending = 1;
  std::string signupServerUrl;
  std::string profileServerUrl;
  std::string searchServerUrl;
  std::unique_ptr<void, MutexCloser> instanceMutex;
};
