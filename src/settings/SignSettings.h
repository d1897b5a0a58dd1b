// The settings record: every stored setting in memory, the connection configuration, the user's
// registration entries and the state of the last server exchange, with its registry storage.
// The server protocol (net), proxy discovery (netconfig) and the dial-up orchestration (dialup)
// work on it; the application object is all of them at once (app/SignApp.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win32.h"
#include "settings/UserFields.h"

namespace ui {
class Application;
class Window;
}  // namespace ui

// What the wizard is doing, chosen on the start page.
enum class WizardMode : int { NewSignup = 0, ExistingAccount = 1, Recovery = 2 };

// The user's registration entries (Kana ... EntryCode2) are its UserInfo base, so that the table
// of those entries (settings/UserFields.h) reaches them in the record and in the page alike.
class CSignSettings : public UserInfo {
 public:
  // Connection flag word bits.
  static constexpr uint16_t kConnLan = 0x0001;
  static constexpr uint16_t kConnTcp = 0x0002;
  static constexpr uint16_t kConnProxyInEffect = 0x0004;
  static constexpr uint16_t kConnProtocolTcp = 0x1000;
  static constexpr uint16_t kConnProxyEnabled = 0x2000;
  static constexpr uint16_t kConnProtocolAuto = 0x4000;
  // Status flag word bit: the dial-up library can be loaded.
  static constexpr uint16_t kStatusDialupAvailable = 0x8000;
  // Reply keys, in the order of the reply fields.
  static constexpr int kReplyFieldCount = 21;
  static constexpr std::array<const char*, kReplyFieldCount> kReplyKeys = {
      "00:", "01:", "02:", "03:", "04:", "05:", "06:", "07:", "08:", "09:", "10:",
      "11:", "12:", "13:", "14:", "15:", "16:", "17:", "18:", "19:", "32:"};

  // Probes for the dial-up library (sets kStatusDialupAvailable); everything else empty or 0.
  CSignSettings();
  virtual ~CSignSettings();
  CSignSettings(const CSignSettings&) = delete;
  CSignSettings& operator=(const CSignSettings&) = delete;

  // The record of the running program: the framework's current application object, which is the
  // settings record as well; null when none is.
  static CSignSettings* Current();
  // The profile the framework's profile functions use: the application name (the caption of every
  // message box) becomes `name`, or "Signup" when it is empty, under Software\Orvel\Lumipass.
  static void SelectProfile(ui::Application& app, const std::string& name);

  // ---- Stored settings ----------------------------------------------------------------------
  // Reads every key of the Signup and NetInfo profiles; called once by start-up.
  void LoadSettings(const std::string& userSection, const std::string& netSection);
  // Writes the 20 user keys into the current profile (Signup), all or none; false when the
  // store refused them.
  bool SaveUserInfo(const std::string& section);
  // Writes the NetInfo keys (switches to the NetInfo profile and back), all or none, synced to
  // the disk; false when the store refused them (the stored ones are then as they were).
  bool SaveNetInfo(const std::string& section);
  // Tells the user that a save failed, with the store's error code. `issuedByServer`: what a
  // server just issued or returned is not stored, and the user is asked to note it down from the
  // pages that follow; otherwise the changed settings hold for this run only (not said again
  // when the store was refused at start-up).
  static void ShowFailedSave(bool issuedByServer);
  // Profile access for the four secrets, stored as scrambled hexadecimal text.
  std::string ReadScrambled(const std::string& section, const std::string& key);
  void WriteScrambled(const std::string& section, const std::string& key, const std::string& value);
  // direction 1: plain bytes -> upper-case hex text; direction 0: hex text -> plain bytes.
  static std::string ScrambleText(std::string_view text, int direction);
  // Sets the connection strings and derives the connection flag word and the effective proxy.
  void ApplyConnectionConfig(const std::string& connectType, const std::string& protocol,
                             bool proxyEnabled, const std::string& proxyHost,
                             const std::string& proxyPort, const std::string& proxyUser,
                             const std::string& proxyPassword);
  void SetConnectType(bool lan);
  void SetModem(const std::string& modemName, const std::string& dialMode);

  // Puts the network summary (logins, DNS, access points, mail, communication ID) into window.
  void FormatNetworkSummary(ui::Window* window);

  // What the wizard is doing, chosen on the start page (not stored). Read by the pages and by the
  // dial-up orchestration, which dials the recovery account outside new-signup mode.
  WizardMode mode = WizardMode::NewSignup;

  // ---- The record, in its stored order ------------------------------------------------------
  int lastTransportError = 0;

  uint16_t statusFlags = 0;
  std::string LoginID, LoginPasswd, PrimaryDNS, SecondaryDNS, PhoneNumber, PhoneNumber2,
      PhoneNumber3, E_mail, Pop_id, Pop_host, Pop_password, Smtp_host, Comm_id, Comm_data,
      Comm_name, Comm_data2;

  uint16_t connectionFlags = 0;
  uint16_t ProtocolVer = 0;
  std::string ModemName, DialMode, OutsideLine, ConnectType, PreFixNumber, Protocol;
  std::string effectiveProxyHost, effectiveProxyPort;
  std::string Proxy_host, Proxy_port, Proxy_Data1, Proxy_Data2;

  std::string RasEntryName, FreeAP;

  int lastServerResult = 0;

  std::string machineId;

  std::array<std::string, kReplyFieldCount> replyFields;
  std::string serverMessage;
};
