// The dial-up details dialog (IDD_DIALUP_DETAILS): modem, tone or pulse dialling, the outside-line
// prefix and the access point dialled first; OK stores the choices in the settings and saves them.
#pragma once

#include <array>
#include <string>

#include "ui/framework.h"

class CDialupDetailsDlg : public ui::Dialog {
 public:
  static constexpr int kTemplateId = IDD_DIALUP_DETAILS;
  static constexpr int kModemList = IDC_DETAILS_MODEM;
  static constexpr int kToneBox = IDC_DETAILS_TONE;
  static constexpr int kPulseBox = IDC_DETAILS_PULSE;
  static constexpr int kAccessPointList = IDC_DETAILS_ACCESS_POINT;
  static constexpr int kPrefixCombo = IDC_DETAILS_PREFIX;
  static constexpr int kNumberBox = IDC_DETAILS_NUMBER;

  explicit CDialupDetailsDlg(ui::Window* parent = nullptr);

  // Set by the start page before DoModal: 1 pulse, 0 tone, -1 the stored DialMode decides.
  int initialDialMode = -1;
  // Set by the start page before DoModal: the modem to select (empty: the stored ModemName).
  std::string chosenModem;

  // Dialog data.
  std::string modemText;
  int tone = 0;
  int pulse = 0;
  std::string prefixText;
  std::string accessPointText;
  std::string numberText;

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  // Stores modem, dial mode, access points and prefix, saves the settings, ends with IDOK.
  void OnOK() override;
  bool OnCommand(UINT code, int id) override;
  bool PreTranslateMessage(ui::Message& msg) override;

  void OnAccessPointChanged();
  void OnAccessPointKillFocus();
  void OnToneClicked();
  void OnPulseClicked();
  void OnPrefixChanged();
  void OnPrefixKillFocus();

 private:
  static const ui::MessageEntry<CDialupDetailsDlg> kMessageMap[6];

  // Fills the modem list through a library loaded for the call; false (with the "no modem" item
  // selected) when there is no usable library or no modem.
  bool FillModemList();
  // Lists the stored access points; false when none is stored (the bare pattern is listed).
  bool FillAccessPointList();
  // `text`, or the prefix combo's text when `text` is empty; empty for the "none" item.
  std::string EffectivePrefix(const std::string& text) const;
  // The number box: effective prefix of the prefix combo + the access-point text.
  void RefreshNumber();
  // The stored number behind list item `index`, as the text must contain it.
  std::string StoredNumberOf(int index) const;
  void ToggleDialMode(int& clicked, int& other);

  // Which stored slot (0 PhoneNumber, 1 PhoneNumber2, 2 PhoneNumber3) each list item shows; -1
  // for the bare pattern listed when nothing is stored.
  std::array<int, 3> itemSlot_{-1, -1, -1};
  int rememberedIndex_ = 0;
  bool modemListed_ = false;
  ui::ToolTip toolTip_;
};
