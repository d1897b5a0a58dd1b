// The dial progress dialog (IDD_PROGRESS): dials the signup entry, shows the connection states,
// reports dial errors and offers redial and cancel. It is also the application's dial-up object,
// so it carries the library binding and builds and removes the signup phone-book entry.
#pragma once

#include <string>

#include "dialup/RasLibrary.h"
#include "ui/framework.h"

class DialupDialog : public ui::Dialog, public RasLibrary {
 public:
  static constexpr int kTemplateId = IDD_PROGRESS;
  static constexpr int kStatusBoxId = IDC_DIAL_STATUS;
  static constexpr int kHangUpButtonId = IDC_DIAL_HANGUP;
  static constexpr int kRedialButtonId = IDC_DIAL_REDIAL;
  static constexpr UINT kDialTimer = 256;
  static constexpr UINT kDialDelayMs = 200;

  DialupDialog();
  ~DialupDialog() override;

  // Called by the orchestration before the dialog is shown. Builds a fresh entry `entryName`
  // (text IDS_SIGNUP_ENTRY_NAME when empty; the caller's variable is set too) on the modem
  // `modemName`, dialling `dialNumber` with the account given. 0 when the entry is ready; -2 no
  // modem (message shown); -1 the modem is not installed (message shown); otherwise the RAS error
  // code.
  int PrepareEntry(std::string& entryName, const std::string& modemName,
                   const std::string& userName, const std::string& password,
                   const std::string& dialNumber);
  // Deletes the entry `entryName` (the dialog's own entry when empty) from the default phone
  // book. Called after every dial and at shutdown; the connection is not touched.
  void RemoveEntry(const std::string& entryName);

  // Dials and follows the connection until it is made, fails, drops or the user cancels. True only
  // when connected. A dial error is shown in the status box and a message box.
  bool DialAndWait();
  // Handles window messages for `ms` milliseconds (0: those pending), waiting for them.
  void PumpMessages(DWORD ms);

  const std::string& entryName() const { return entryName_; }
  const std::string& dialNumber() const { return dialNumber_; }
  const std::string& userName() const { return userName_; }
  const std::string& modemName() const { return modemName_; }
  const std::string& lastStatusText() const { return lastStatusText_; }

 protected:
  void DoDataExchange(ui::DataExchange& dx) override;
  bool OnInitDialog() override;
  // Enter never closes the dialog.
  void OnOK() override {}
  // Cancel button, Esc or the close box: hang up and end with IDCANCEL.
  void OnCancel() override;
  void OnTimer(UINT id) override;
  bool OnCommand(UINT code, int id) override;
  void OnRedial();

 private:
  static const ui::MessageEntry<DialupDialog> kMessageMap[1];

  void ShowStatus(const std::string& text);
  // Reports a dial error (text in the status box and a stop box) and hangs up; always false.
  bool FailDial(DWORD code, DWORD extended);

  std::string lastStatusText_;
  std::string entryName_;
  std::string dialNumber_;
  std::string userName_;
  std::string password_;
  std::string modemName_;
  int cancelled_ = 0;
  ui::Control* statusBox_ = nullptr;
};

namespace dialup {

// The number to dial for a stored dial pattern (PreFixNumber): every placeholder of text
// IDS_DIAL_PLACEHOLDER replaced by `number`; `number` itself when the pattern has no placeholder.
// At most RAS_MaxPhoneNumber bytes, what a phone-book entry holds. Used by the orchestration and
// the details dialog.
std::string ExpandDialPattern(const std::string& pattern, const std::string& number);

}  // namespace dialup
