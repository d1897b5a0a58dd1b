// The start page: what to do (new signup, communication ID for an existing account, recovery of
// the connection information) and how to connect (a modem or LAN, tone or pulse dialling).
#pragma once

#include <string>

#include "pages/SignPage.h"

class CSignStep1Top : public CSignPage {
 public:
  CSignStep1Top();

  // Application mode from the mode buttons: 0, or 1 / 2 when IDC_MODE_EXISTING / IDC_MODE_RECOVERY
  // is checked.
  void ReadModeChoice();
  // Checks the mode button of the application's mode.
  void ShowModeChoice();
  // LAN chosen := !enable; tone and pulse usable only for dial-up.
  void SetDialUpControls(bool enable);
  // Fills the connection list with the modems, then the LAN item; 0 when the modems could not
  // be listed.
  int FillConnectionList();
  // Tone and pulse from DialMode; the stored modem selected unless LAN is chosen.
  void ShowSettings();

  ui::Control* connectionList = nullptr;
  int pulse = 0;
  int tone = 0;
  std::string connectionText;
  ui::ToolTip toolTips;
  int lanChosen = 0;
  int firstActivation = 1;

 protected:
  void DoDataExchange(ui::DataExchange& dx) override;
  bool OnInitDialog() override;
  bool OnSetActive() override;
  LRESULT OnWizardNext() override;
  bool PreTranslateMessage(ui::Message& msg) override;
  bool OnCommand(UINT code, int id) override;

  void OnTone();
  void OnPulse();
  void OnDetails();
  void OnConnectionChange();

 private:
  static const ui::MessageEntry<CSignStep1Top> kMessageMap[4];
  // Closes the wizard as cancelled.
  void CancelWizard();
};
