// The settings record: every stored setting in memory, the connection configuration, the user's
// registration entries and the state of the last server exchange; also the HTTP transport, the
// form and reply handling and the account transactions that work on that state.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win32.h"

namespace ui {
class Window;
}

// WinInet handle type (LPVOID, as WinInet declares it); platform/wininet.h has the calls.
typedef void* HINTERNET;

// Receives the terms document piece by piece: status 0 a chunk of data, 1 end of data (empty
// text), -1 a read failed (empty text). Called on the user-interface thread.
using DownloadCallback = void (*)(int status, std::string chunk);

class CSignSettings {
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

  // ---- Stored settings ----------------------------------------------------------------------
  // Reads every key of the Signup and NetInfo profiles; called once by start-up.
  void LoadSettings(const std::string& userSection, const std::string& netSection);
  // Writes the 20 user keys into the current profile (Signup).
  void SaveUserInfo(const std::string& section);
  // Writes the NetInfo keys (switches to the NetInfo profile and back).
  void SaveNetInfo(const std::string& section);
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

  // ---- HTTP transport -----------------------------------------------------------------------
  // POSTs an encoded form to base URL + path; true when a reply was read (into `reply`).
  bool PostForm(const std::string& baseUrl, const std::string& path, const std::string& body,
                std::string& reply);
  // GETs a document; returns the number of body bytes read (0 on failure before reading).
  int DownloadDocument(const std::string& url, std::string& body, std::string& statusText,
                       DownloadCallback callback);
  static void SplitServerUrl(const std::string& url, std::string& host, int& port);
  DWORD RequestFlagsFor(const std::string& url) const;
  void ApplySessionOptions(HINTERNET session);
  void ApplyTimeouts(HINTERNET session);
  bool IsOfflineByUser();
  bool ResolveProxyEndpoint(std::string& host, std::string& port);
  int CheckHttpStatus(HINTERNET request, std::string& statusText);
  void ApplyProxyCredentials(HINTERNET request);
  // Handles window messages for the given time, waiting for them rather than spinning.
  static void PumpMessagesFor(DWORD milliseconds);
  int LastTransportError() const { return lastTransportError; }
  // Receive time-out of every request (ApplyTimeouts); tests shorten it to meet a silent server.
  DWORD receiveTimeoutMs = 30000;

  // ---- Forms and replies --------------------------------------------------------------------
  static std::string UrlEncode(std::string_view text);
  static int ExtractReplyValue(std::string_view reply, std::string_view key, std::string& value);
  int ParseReply(const std::string& reply);
  int CheckReply(bool statusOk, const std::string& reply, std::string& serverMessage);
  static std::string ReplyTextToPlain(std::string_view text);
  void AdoptNetworkInfo();
  static std::string NormalizeLineBreaks(std::string_view text);
  // Message box with the stop icon; "(#%d)" appended when code is not 0.
  void ShowServerError(const std::string& text, int code);
  void ShowServerError(UINT stringId, int code);

  // ---- Transactions -------------------------------------------------------------------------
  bool RunRecovery(std::string& rawReply);
  std::string BuildRecoveryForm();
  int RequestCommunicationId(const std::string& commId, const std::string& commPassword,
                             const std::string& loginId, const std::string& loginPassword,
                             const std::string& commName);

  // ---- System proxy -------------------------------------------------------------------------
  // Returns kConnProxyInEffect when the system proxy is switched on; host/port from ProxyServer.
  WORD ReadSystemProxy(std::string& host, std::string& port);
  static bool ParseProxyEntry(const std::string& value, const std::string& prefix,
                              std::string& host, std::string& port);
  void DiscoverSystemProxy();
  bool IsLanChosen(const std::string& url) const;

  // Puts the network summary (logins, DNS, access points, mail, communication ID) into window.
  void FormatNetworkSummary(ui::Window* window);

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
  std::string Kana, Kana2, Name, Name2, Age, Age2, Age3, Sex, Address1, Address2, Tel, Tel2, Tel3,
      Zip, Zip2, MekoID, MekoID2, MekoID3, EntryCode, EntryCode2;

  std::array<std::string, kReplyFieldCount> replyFields;
  std::string serverMessage;
};
