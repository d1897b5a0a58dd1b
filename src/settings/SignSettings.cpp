// The settings record's stored values: loading, saving, scrambling of the secrets and the
// derivation of the connection flag word.
#include "settings/SignSettings.h"

#include <cstdlib>

#include "platform/library.h"
#include "res/resources.h"
#include "ui/framework.h"

namespace {

constexpr unsigned char kScrambleKey[8] = {0x5D, 0x1E, 0x93, 0x48, 0xC6, 0x27, 0x7A, 0xB0};

ui::Application& App() { return *ui::Application::Current(); }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

CSignSettings::CSignSettings() {
  // Only the presence of the library is of interest here: nothing is resolved, and the library
  // is released at once.
  HMODULE library = LoadLibraryA("rasapi32.dll");
  if (library != nullptr) {
    statusFlags |= kStatusDialupAvailable;
    FreeLibrary(library);
  }
}

CSignSettings::~CSignSettings() = default;

CSignSettings* CSignSettings::Current() {
  return dynamic_cast<CSignSettings*>(ui::Application::Current());
}

void CSignSettings::SelectProfile(ui::Application& app, const std::string& name) {
  app.appName = name.empty() ? "Signup" : name;
  app.SetRegistryKey("Orvel");
  app.registryKey = "Orvel\\Lumipass";
}

std::string CSignSettings::ScrambleText(std::string_view text, int direction) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  if (direction == 1) {
    out.reserve(text.size() * 2);
    for (size_t i = 0; i < text.size(); ++i) {
      auto b = static_cast<unsigned char>(text[i]);
      b ^= static_cast<unsigned char>((kScrambleKey[i % 8] + i) & 0xFF);
      out += kHex[b >> 4];
      out += kHex[b & 0x0F];
    }
    return out;
  }
  // A value that is not hexadecimal pairs was not written by us: it reads as empty rather than
  // as garbage bytes.
  if (text.size() % 2 != 0) return {};
  out.reserve(text.size() / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    int hi = HexValue(text[i]), lo = HexValue(text[i + 1]);
    if (hi < 0 || lo < 0) return {};
    const size_t index = i / 2;
    auto b = static_cast<unsigned char>((hi << 4) | lo);
    b ^= static_cast<unsigned char>((kScrambleKey[index % 8] + index) & 0xFF);
    out += static_cast<char>(b);
  }
  return out;
}

std::string CSignSettings::ReadScrambled(const std::string& section, const std::string& key) {
  std::string stored = App().GetProfileString(section, key, "");
  if (stored.empty()) return {};
  // The secret is text: it ends at a zero byte, as the C string it is used as would.
  std::string plain = ScrambleText(stored, 0);
  if (const size_t zero = plain.find('\0'); zero != std::string::npos) plain.resize(zero);
  return plain;
}

void CSignSettings::WriteScrambled(const std::string& section, const std::string& key,
                                   const std::string& value) {
  App().WriteProfileString(section, key, ScrambleText(value, 1));
}

void CSignSettings::LoadSettings(const std::string& userSection, const std::string& netSection) {
  ui::Application& app = App();
  for (const UserField& field : kUserFields) {
    std::string& value = this->*field.member;
    value = app.GetProfileString(userSection, field.key, field.fallback);
    if (value.empty() && field.kind == UserFieldKind::Date) value = field.fallback;
  }

  SelectProfile(app, "NetInfo");
  auto net = [&](const char* key, const std::string& def = "") {
    return app.GetProfileString(netSection, key, def);
  };
  LoginID = net("LoginID");
  LoginPasswd = ReadScrambled(netSection, "LoginPasswd");
  PrimaryDNS = net("PrimaryDNS");
  SecondaryDNS = net("SecondaryDNS");
  PhoneNumber = net("PhoneNumber");
  PhoneNumber2 = net("PhoneNumber2");
  PhoneNumber3 = net("PhoneNumber3");
  E_mail = net("E_mail");
  Pop_id = net("Pop_id");
  Pop_host = net("Pop_host");
  Pop_password = ReadScrambled(netSection, "Pop_password");
  Smtp_host = net("Smtp_host");
  Comm_id = net("Comm_id");
  Comm_data = ReadScrambled(netSection, "Comm_data");
  Comm_name = net("Comm_name");
  Comm_data2 = net("Comm_data2");
  RasEntryName = net("RasEntryName");
  ModemName = net("ModemName");
  DialMode = net("DialMode", "T");
  OutsideLine = net("OutsideLine");
  PreFixNumber = net("PreFixNumber", res::String(IDS_DIAL_PLACEHOLDER));
  const std::string connectType = net("ConnectType", "Dialup");
  const bool proxyEnabled = app.GetProfileInt(netSection, "Proxy_enable", 0) != 0;
  const std::string proxyHost = net("Proxy_host");
  const std::string proxyPort = net("Proxy_port", "80");
  const std::string protocol = net("Protocol", "udp");
  const std::string proxyUser = net("Proxy_Data1");
  const std::string proxyPassword = ReadScrambled(netSection, "Proxy_Data2");
  ProtocolVer = static_cast<uint16_t>(app.GetProfileInt(netSection, "ProtocolVer", 0));
  ApplyConnectionConfig(connectType, protocol, proxyEnabled, proxyHost, proxyPort, proxyUser,
                        proxyPassword);
  FreeAP = net("FreeAP", res::String(IDS_FREE_ACCESS_NUMBER));
  SelectProfile(app, "");
}

bool CSignSettings::SaveUserInfo(const std::string& section) {
  std::vector<ui::ProfileValue> values;
  for (const UserField& field : kUserFields)
    values.push_back(ui::ProfileValue::Text(field.key, this->*field.member));
  // One unit: a kill in the middle never leaves half of the new entries beside half of the old.
  return App().WriteProfileValues(section, values);
}

bool CSignSettings::SaveNetInfo(const std::string& section) {
  using ui::ProfileValue;
  ui::Application& app = App();
  SelectProfile(app, "NetInfo");
  auto secret = [](const char* key, const std::string& value) {
    return ProfileValue::Text(key, ScrambleText(value, 1));
  };
  // One unit: the login ID is never stored without its password, nor a new account's values
  // beside an old one's.
  const bool saved = app.WriteProfileValues(
      section, {ProfileValue::Text("LoginID", LoginID),
                secret("LoginPasswd", LoginPasswd),
                ProfileValue::Text("PrimaryDNS", PrimaryDNS),
                ProfileValue::Text("SecondaryDNS", SecondaryDNS),
                ProfileValue::Text("PhoneNumber", PhoneNumber),
                ProfileValue::Text("PhoneNumber2", PhoneNumber2),
                ProfileValue::Text("PhoneNumber3", PhoneNumber3),
                ProfileValue::Text("E_mail", E_mail),
                ProfileValue::Text("Pop_id", Pop_id),
                ProfileValue::Text("Pop_host", Pop_host),
                secret("Pop_password", Pop_password),
                ProfileValue::Text("Smtp_host", Smtp_host),
                ProfileValue::Text("Comm_id", Comm_id),
                secret("Comm_data", Comm_data),
                ProfileValue::Text("Comm_name", Comm_name),
                ProfileValue::Text("Comm_data2", Comm_data2),
                ProfileValue::Number("Proxy_enable", (connectionFlags & kConnProxyEnabled) ? 1 : 0),
                ProfileValue::Text("Proxy_host", Proxy_host),
                ProfileValue::Text("Proxy_port", Proxy_port),
                ProfileValue::Text("Protocol", Protocol),
                ProfileValue::Text("RasEntryName", RasEntryName),
                ProfileValue::Text("ModemName", ModemName),
                ProfileValue::Text("DialMode", DialMode),
                ProfileValue::Text("OutsideLine", OutsideLine),
                ProfileValue::Text("ConnectType", ConnectType),
                ProfileValue::Text("PreFixNumber", PreFixNumber),
                ProfileValue::Text("Proxy_Data1", Proxy_Data1),
                secret("Proxy_Data2", Proxy_Data2)});
  SelectProfile(app, "");
  return saved;
}

void CSignSettings::ShowFailedSave(bool issuedByServer) {
  ui::Application& app = App();
  // The store refused at start-up, which the user was told then: only what the server issued is
  // worth saying again.
  if (!issuedByServer && app.profileWritesRefused) return;
  std::string text = res::String(issuedByServer ? IDS_ISSUED_NOT_STORED : IDS_SETTINGS_NOT_STORED);
  text += ui::Format("(#%d)", static_cast<int>(app.profileWriteError));
  ui::MessageBox(text, ui::MB_ICONSTOP | ui::MB_OK);
}

void CSignSettings::ApplyConnectionConfig(const std::string& connectType,
                                          const std::string& protocol, bool proxyEnabled,
                                          const std::string& proxyHost,
                                          const std::string& proxyPort,
                                          const std::string& proxyUser,
                                          const std::string& proxyPassword) {
  ConnectType = connectType;
  Protocol = protocol;
  Proxy_host = proxyHost;
  Proxy_port = proxyPort;
  Proxy_Data1 = proxyUser;
  Proxy_Data2 = proxyPassword;
  connectionFlags = 0;
  if (connectType == "Lan") connectionFlags |= kConnLan;
  if (protocol == "auto")
    connectionFlags |= kConnProtocolAuto;
  else if (protocol == "tcp")
    connectionFlags |= kConnProtocolTcp | kConnTcp;
  // A port that is no number from 1 to 65535 becomes the HTTP port.
  const long port = std::strtol(Proxy_port.c_str(), nullptr, 10);
  if (port <= 0 || port > 65535) Proxy_port = "80";
  if (proxyEnabled) connectionFlags |= kConnProxyEnabled;
  if ((connectionFlags & kConnProxyEnabled) && (connectionFlags & kConnTcp) &&
      !Proxy_host.empty()) {
    connectionFlags |= kConnProxyInEffect;
    effectiveProxyHost = Proxy_host;
    effectiveProxyPort = Proxy_port;
  } else {
    connectionFlags &= static_cast<uint16_t>(~kConnProxyEnabled);
  }
}

void CSignSettings::SetConnectType(bool lan) {
  if (lan) {
    connectionFlags |= kConnLan;
    ConnectType = "Lan";
  } else {
    connectionFlags &= static_cast<uint16_t>(~kConnLan);
    ConnectType = "Dialup";
  }
}

void CSignSettings::SetModem(const std::string& modemName, const std::string& dialMode) {
  ModemName = modemName;
  if (dialMode.empty() || dialMode == "T" || dialMode == "P") DialMode = dialMode;
}

void CSignSettings::FormatNetworkSummary(ui::Window* window) {
  if (window == nullptr) return;
  window->SetWindowText(ui::Format(res::String(IDS_NETWORK_SUMMARY), LoginID, LoginPasswd,
                                   PrimaryDNS, SecondaryDNS, PhoneNumber, PhoneNumber2,
                                   PhoneNumber3, E_mail, Pop_id, Pop_password, Pop_host, Smtp_host,
                                   Comm_id, Comm_name));
}
