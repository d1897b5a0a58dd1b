// The application object: start-up and shutdown, the single-instance mutex.
// It is also the settings record and everything that works on it (the server protocol, proxy
// discovery, the dial-up orchestration), so every part of the program reaches the settings, the
// server state and the transactions through it.
#pragma once

#include <memory>
#include <string>

#include "dialup/DialupConnection.h"
#include "net/ServerProtocol.h"
#include "netconfig/ProxyDiscovery.h"
#include "settings/SignSettings.h"
#include "ui/framework.h"

class CSignStart;

// Closes the single-instance mutex handle.
struct MutexCloser {
  void operator()(void* handle) const;
};

class CSignApp : public ui::Application,
                 public virtual CSignSettings,
                 public ServerProtocol,
                 public ProxyDiscovery,
                 public DialupConnection {
 public:
  // Makes the wizard sheet with its seven pages (the pages folder offers it, pages/SignPages.h).
  using WizardFactory = std::unique_ptr<CSignStart> (*)();

  explicit CSignApp(WizardFactory makeWizard = nullptr);
  ~CSignApp() override;

  // The framework's current application object, as the program's application class.
  static CSignApp* Get();

  // Runs the whole program (single instance, settings, wizard, clean-up); always false.
  bool InitInstance() override;
  // Releases the instance mutex; the framework's exit code.
  int ExitInstance() override;

  // Reads SignupPage, ProfilePage and SearchPage from the Servers profile.
  void LoadServerUrls();
  // The settings store could not be read at start-up: tells the user which store, why, and that
  // nothing will be written to it, and refuses every write of the run, so that what the store
  // holds is never replaced by values that were never loaded from it.
  void RefuseUnreadableStore();
  // Application name (and profile) := name, or "Signup" when empty; registry key Orvel\Lumipass.
  void SelectProfile(const std::string& name);
  using CSignSettings::SelectProfile;
  // The user-information summary shown before signing up.
  void FormatUserSummary(std::string& out);

  // ---- Members, in order --------------------------------------------------------------------
  CSignStart* sheet = nullptr;
  std::unique_ptr<void, MutexCloser> instanceMutex;

 private:
  WizardFactory makeWizard_;
};
